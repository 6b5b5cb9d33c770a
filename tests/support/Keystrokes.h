#pragma once

// Spells Vietnamese words as the keystrokes a person types for them, so that
// tests and benchmarks can drive the engine with real words.

#include <string>
#include <string_view>
#include <vector>

namespace halvora::testing {

/// Telex keys: đ → dd, â ê ô → aa ee oo, ă ơ ư → aw ow uw, the tone key last.
std::string telexKeys(std::string_view word);
/// VNI keys: đ → d9, â ê ô → a6 e6 o6, ă → a8, ơ ư → o7 u7, the tone digit last.
std::string vniKeys(std::string_view word);

/// Everyday Vietnamese words (modern tone placement), each a valid syllable.
const std::vector<std::string>& vietnameseWords();

}  // namespace halvora::testing
