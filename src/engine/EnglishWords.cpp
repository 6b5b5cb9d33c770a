#include "engine/EnglishWords.h"

#include "text/Unicode.h"

#include <array>
#include <vector>

namespace halvora::engine {
namespace {

constexpr std::size_t kLongestWord = 16;

}  // namespace

namespace detail {

// One level per letter. Every listed word is lower-case ASCII, so a character
// that does not lower-case to a to z ends every match.
EnglishWordTree::EnglishWordTree() {
    addNode();
    for (std::string_view word : englishWords()) {
        std::int32_t node = 0;
        for (char c : word) {
            if (next[node][c - 'a'] == 0) {
                const std::int32_t child = addNode();  // may move `next`
                next[node][c - 'a'] = child;
            }
            node = next[node][c - 'a'];
        }
        terminal[node] = 1;
    }
}

std::int32_t EnglishWordTree::addNode() {
    next.push_back({});
    terminal.push_back(0);
    return static_cast<std::int32_t>(next.size() - 1);
}

const EnglishWordTree& englishWordTree() {
    static const EnglishWordTree tree;
    return tree;
}

}  // namespace detail

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

void EnglishWordMatcher::stepOutsideAscii(char32_t c) {
    // İ lower-cases to i plus a combining dot, never a plain i.
    const char32_t lower = c == U'\u0130' ? c : text::lowerChar(c);
    if (lower >= 0x80) {
        node_ = -1;
        matches_ = false;
        return;
    }
    stepAscii(lower);
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

bool isEnglishWord(std::string_view utf8Raw) {
    if (utf8Raw.empty() || utf8Raw.size() > 4 * kLongestWord) {
        return false;
    }
    EnglishWordMatcher matcher;
    for (char c : utf8Raw) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            // Rare (a word typed over shown diacritics, say); a few characters
            // outside ASCII lower-case into it (the Kelvin sign gives k).
            return isEnglishWord(std::u32string_view(text::toUtf32(utf8Raw)));
        }
        matcher.advance(byte);
    }
    return utf8Raw.size() <= kLongestWord && matcher.matches();
}

}  // namespace halvora::engine
