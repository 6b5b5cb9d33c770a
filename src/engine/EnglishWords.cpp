#include "engine/EnglishWords.h"

#include "text/Unicode.h"

#include <array>
#include <vector>

namespace halvora::engine {
namespace {

constexpr std::size_t kLongestWord = 16;
constexpr int kLetters = 26;

// A tree of the words, one level per letter. Every listed word is lower-case
// ASCII, so a character that does not lower-case to a to z ends every match.
struct WordTree {
    std::vector<std::array<std::int32_t, kLetters>> next;
    std::vector<char> terminal;

    WordTree() {
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

    std::int32_t addNode() {
        next.push_back({});
        terminal.push_back(0);
        return static_cast<std::int32_t>(next.size() - 1);
    }
};

const WordTree& wordTree() {
    static const WordTree tree;
    return tree;
}

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

void EnglishWordMatcher::step(char32_t c) {
    matches_ = false;
    // İ lower-cases to i plus a combining dot, never a plain i.
    const char32_t lower = c < 0x80         ? ((c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c)
                           : c == U'\u0130' ? c
                                            : text::lowerChar(c);
    if (lower < U'a' || lower > U'z') {
        node_ = -1;
        return;
    }
    const WordTree& tree = wordTree();
    const std::int32_t child = tree.next[node_][lower - U'a'];
    node_ = child == 0 ? -1 : child;
    matches_ = child != 0 && tree.terminal[child] != 0;
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
