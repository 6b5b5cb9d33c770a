#pragma once

// Whether a word is one well-formed Vietnamese syllable.

#include <string>
#include <string_view>
#include <unordered_set>

namespace halvora::engine::VietnameseSyllable {

/// The 29 initial consonant groups, the empty one included (lower case).
const std::unordered_set<std::u32string>& onsets();
/// The 9 final consonant groups, the empty one included (lower case).
const std::unordered_set<std::u32string>& codas();

/// One syllable: an allowed onset, vowels spanning at most three characters
/// with no consonant inside, an allowed coda. Tones are not looked at.
bool isValid(std::u32string_view word);
bool isValid(std::string_view utf8Word);

/// isValid for a word whose vowels are known to span at most three
/// characters with no consonant inside: `onset` and `coda` are the characters
/// before the first vowel and after the last one, in any case.
bool isValidAround(std::u32string_view onset, std::u32string_view coda);

/// Whether a non-vowel stands between the first and the last vowel.
bool hasInterruptedVowels(std::u32string_view word);
bool hasInterruptedVowels(std::string_view utf8Word);

}  // namespace halvora::engine::VietnameseSyllable
