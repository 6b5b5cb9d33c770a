#include "engine/VietnameseSyllable.h"

#include "engine/VowelMap.h"
#include "text/Unicode.h"

namespace halvora::engine::VietnameseSyllable {
namespace {

struct VowelSpan {
    std::size_t first = std::u32string_view::npos;
    std::size_t last = std::u32string_view::npos;
    bool interrupted = false;
};

// First and last vowel of a word (vowels are recognised in either case), and
// whether a non-vowel stands between them.
VowelSpan vowelSpan(std::u32string_view word) {
    VowelSpan span;
    bool gapSinceVowel = false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (VowelMap::isVowel(word[i])) {
            if (span.first == std::u32string_view::npos) {
                span.first = i;
            } else if (gapSinceVowel) {
                span.interrupted = true;
            }
            span.last = i;
            gapSinceVowel = false;
        } else if (span.first != std::u32string_view::npos) {
            gapSinceVowel = true;
        }
    }
    return span;
}

std::u32string lowered(std::u32string_view word) {
    std::u32string out(word);
    for (char32_t& c : out) {
        c = text::lowerChar(c);
    }
    return out;
}

}  // namespace

const std::unordered_set<std::u32string>& onsets() {
    static const std::unordered_set<std::u32string> set{
        U"",  U"b",  U"c", U"ch", U"d", U"đ",  U"g",   U"gh", U"gi", U"h",
        U"k", U"kh", U"l", U"m",  U"n", U"ng", U"ngh", U"nh", U"p",  U"ph",
        U"q", U"qu", U"r", U"s",  U"t", U"th", U"tr",  U"v",  U"x",
    };
    return set;
}

const std::unordered_set<std::u32string>& codas() {
    static const std::unordered_set<std::u32string> set{
        U"", U"c", U"ch", U"m", U"n", U"ng", U"nh", U"p", U"t",
    };
    return set;
}

bool isValid(std::u32string_view word) {
    if (word.empty()) {
        return false;
    }
    const std::u32string lower = lowered(word);
    const VowelSpan span = vowelSpan(lower);
    if (span.interrupted || span.first == std::u32string_view::npos) {
        return false;
    }
    const std::u32string_view view(lower);
    return onsets().contains(std::u32string(view.substr(0, span.first))) &&
           codas().contains(std::u32string(view.substr(span.last + 1))) &&
           span.last - span.first < 3;
}

bool isValid(std::string_view utf8Word) {
    return isValid(std::u32string_view(text::toUtf32(utf8Word)));
}

bool hasInterruptedVowels(std::u32string_view word) {
    return vowelSpan(word).interrupted;
}

bool hasInterruptedVowels(std::string_view utf8Word) {
    return hasInterruptedVowels(std::u32string_view(text::toUtf32(utf8Word)));
}

}  // namespace halvora::engine::VietnameseSyllable
