#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>

namespace halvora::engine {

/// Lower-case English words that are left exactly as typed: when the whole
/// raw keystroke string of a word, lower-cased, is one of them, no Telex or
/// VNI rule touches it.
const std::unordered_set<std::string_view>& englishWords();

/// Whether `raw`, lower-cased, is one of `englishWords()`.
bool isEnglishWord(std::u32string_view raw);
/// The same for UTF-8 text (malformed bytes match no word).
bool isEnglishWord(std::string_view utf8Raw);

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
        if (node_ >= 0) {
            step(c);
        }
    }
    /// Whether the characters so far, lower-cased, are one of the words.
    bool matches() const { return matches_; }

  private:
    void step(char32_t c);

    // Index of the tree node reached; -1 once no word can match any more.
    std::int32_t node_ = 0;
    bool matches_ = false;
};

}  // namespace halvora::engine
