#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace halvora::engine {

/// Lower-case English words that are left exactly as typed: when the whole
/// raw keystroke string of a word, lower-cased, is one of them, no Telex or
/// VNI rule touches it.
const std::unordered_set<std::string_view>& englishWords();

/// Whether `raw`, lower-cased, is one of `englishWords()`.
bool isEnglishWord(std::u32string_view raw);
/// The same for UTF-8 text (malformed bytes match no word).
bool isEnglishWord(std::string_view utf8Raw);

namespace detail {

/// The listed words as a tree of letters: node 0 is the empty word, and
/// `next[node][letter]` the node one letter on, 0 when no word goes on so.
struct EnglishWordTree {
    EnglishWordTree();
    std::int32_t addNode();

    std::vector<std::array<std::int32_t, 26>> next;
    std::vector<char> terminal;
};
const EnglishWordTree& englishWordTree();

}  // namespace detail

/// The same question asked one character at a time, as a word is typed: a
/// walk through a tree of the listed words.
class EnglishWordMatcher {
  public:
    /// Back to the empty word.
    void reset() {
        node_ = 0;
        matches_ = false;
    }
    /// Extends the word by one character.
    void advance(char32_t c) {
        // Most words leave the tree within a letter or two; past that point a
        // key costs one test.
        if (node_ < 0) {
            return;
        }
        if (c < 0x80) {
            stepAscii(c);
        } else {
            stepOutsideAscii(c);
        }
    }
    /// Whether the characters so far, lower-cased, are one of the words.
    bool matches() const { return matches_; }

  private:
    void stepAscii(char32_t c) {
        const char32_t letter = ((c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c) - U'a';
        const std::int32_t child = letter < 26 ? tree_->next[node_][letter] : 0;
        node_ = child == 0 ? -1 : child;
        matches_ = child != 0 && tree_->terminal[child] != 0;
    }
    void stepOutsideAscii(char32_t c);

    const detail::EnglishWordTree* tree_ = &detail::englishWordTree();
    // Index of the tree node reached; -1 once no word can match any more.
    std::int32_t node_ = 0;
    bool matches_ = false;
};

}  // namespace halvora::engine
