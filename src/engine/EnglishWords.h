#pragma once

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

}  // namespace halvora::engine
