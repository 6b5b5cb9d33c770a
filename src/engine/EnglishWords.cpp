#include "engine/EnglishWords.h"

#include "text/Unicode.h"

#include <array>

namespace halvora::engine {
namespace {

constexpr std::size_t kLongestWord = 16;

}  // namespace

const std::unordered_set<std::string_view>& englishWords() {
    static const std::unordered_set<std::string_view> words{
        "address",  "password", "office", "staff",    "offer",   "access",   "success",
        "excel",    "notion",   "slack",  "invoice",  "report",  "download", "browser",
        "server",   "swift",    "as",     "is",       "or",      "about",    "after",
        "again",    "all",      "also",   "and",      "any",     "are",      "back",
        "because",  "before",   "best",   "but",      "camera",  "can",      "chat",
        "code",     "copy",     "could",  "customer", "date",    "day",      "design",
        "do",       "document", "email",  "english",  "file",    "first",    "for",
        "from",     "game",     "get",    "give",     "google",  "great",    "have",
        "hello",    "help",     "here",   "how",      "image",   "into",     "just",
        "keyboard", "know",     "last",   "later",    "like",    "link",     "live",
        "look",     "make",     "many",   "meeting",  "message", "more",     "new",
        "news",     "next",     "not",    "note",     "now",     "number",   "one",
        "open",     "order",    "our",    "out",      "page",    "paste",    "payment",
        "please",   "project",  "read",   "reply",    "right",   "same",     "save",
        "send",     "settings", "should", "software", "some",    "start",    "store",
        "support",  "system",   "take",   "team",     "test",    "text",     "thank",
        "that",     "the",      "their",  "them",     "then",    "there",    "these",
        "this",     "time",     "today",  "tomorrow", "type",    "use",      "user",
        "very",     "want",     "was",    "web",      "website", "well",     "were",
        "what",     "when",     "where",  "which",    "will",    "with",     "word",
        "work",     "world",    "would",  "write",    "yes",     "you",      "your",
    };
    return words;
}

bool isEnglishWord(std::u32string_view raw) {
    // Every listed word is short ASCII, so a longer or non-ASCII word is never
    // one of them; lower-casing into a stack buffer keeps this allocation-free.
    if (raw.empty() || raw.size() > kLongestWord) {
        return false;
    }
    std::array<char, kLongestWord> buffer{};
    for (std::size_t i = 0; i < raw.size(); ++i) {
        // İ lower-cases to i plus a combining dot, never a plain i.
        if (raw[i] == U'\u0130') {
            return false;
        }
        const char32_t lower = text::lowerChar(raw[i]);
        if (lower >= 0x80) {
            return false;
        }
        buffer[i] = static_cast<char>(lower);
    }
    return englishWords().contains(std::string_view(buffer.data(), raw.size()));
}

}  // namespace halvora::engine
