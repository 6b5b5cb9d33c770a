#include "engine/VietnameseSyllable.h"

#include "engine/VowelMap.h"
#include "text/Unicode.h"

#include <unicode/utf8.h>

#include <array>

namespace halvora::engine::VietnameseSyllable {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The onset and coda tables below, as direct comparisons: the check runs at
// every word boundary and must not allocate.
bool isOnset(const char32_t* s, std::size_t n) {
    if (n == 0) {
        return true;
    }
    if (n == 1) {
        switch (s[0]) {
            case U'b':
            case U'c':
            case U'd':
            case U'đ':
            case U'g':
            case U'h':
            case U'k':
            case U'l':
            case U'm':
            case U'n':
            case U'p':
            case U'q':
            case U'r':
            case U's':
            case U't':
            case U'v':
            case U'x':
                return true;
            default:
                return false;
        }
    }
    if (n == 2) {
        const char32_t a = s[0];
        const char32_t b = s[1];
        return (b == U'h' &&
                (a == U'c' || a == U'g' || a == U'k' || a == U'n' || a == U'p' || a == U't')) ||
               (a == U'g' && b == U'i') || (a == U'n' && b == U'g') || (a == U'q' && b == U'u') ||
               (a == U't' && b == U'r');
    }
    return n == 3 && s[0] == U'n' && s[1] == U'g' && s[2] == U'h';
}

bool isCoda(const char32_t* s, std::size_t n) {
    if (n == 0) {
        return true;
    }
    if (n == 1) {
        return s[0] == U'c' || s[0] == U'm' || s[0] == U'n' || s[0] == U'p' || s[0] == U't';
    }
    return n == 2 &&
           ((s[0] == U'c' && s[1] == U'h') || (s[0] == U'n' && (s[1] == U'g' || s[1] == U'h')));
}

// One pass over the lower-cased characters of a word, keeping only what the
// test needs: the first few characters before the first vowel and after the
// last one. Longer onsets and codas are never allowed, so their count is enough.
class SyllableScan {
  public:
    // False once the word can no longer be a syllable.
    bool add(char32_t lower) {
        if (VowelMap::isVowel(lower)) {
            if (first_ == kNone) {
                first_ = index_;
            } else if (codaLength_ > 0) {
                return false;  // a non-vowel between two vowels
            }
            last_ = index_;
        } else if (first_ == kNone) {
            if (onsetLength_ < onset_.size()) {
                onset_[onsetLength_] = lower;
            }
            ++onsetLength_;
        } else {
            if (codaLength_ < coda_.size()) {
                coda_[codaLength_] = lower;
            }
            ++codaLength_;
        }
        ++index_;
        return true;
    }

    bool valid() const {
        return first_ != kNone && onsetLength_ <= onset_.size() &&
               isOnset(onset_.data(), onsetLength_) && codaLength_ <= coda_.size() &&
               isCoda(coda_.data(), codaLength_) && last_ - first_ < 3;
    }

  private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::size_t index_ = 0;
    std::size_t first_ = kNone;
    std::size_t last_ = kNone;
    std::array<char32_t, 3> onset_{};
    std::size_t onsetLength_ = 0;
    std::array<char32_t, 2> coda_{};
    std::size_t codaLength_ = 0;
};

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

char32_t lower(char32_t c) {
    if (c < 0x80) {
        return (c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c;
    }
    // Vowels and đ without a call into ICU.
    if (const VowelMap::detail::Position p = VowelMap::detail::find(c); p.row >= 0) {
        return VowelMap::detail::kLowerRows[p.row][p.column];
    }
    if (c == U'Đ') {
        return U'đ';
    }
    return text::lowerChar(c);
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
    SyllableScan scan;
    for (char32_t c : word) {
        if (!scan.add(lower(c))) {
            return false;
        }
    }
    return scan.valid();
}

bool isValid(std::string_view utf8Word) {
    if (utf8Word.empty()) {
        return false;
    }
    // Decoded in place, each malformed sequence standing for U+FFFD as in
    // text::toUtf32.
    const auto* s = reinterpret_cast<const uint8_t*>(utf8Word.data());
    const auto length = static_cast<int32_t>(utf8Word.size());
    SyllableScan scan;
    for (int32_t i = 0; i < length;) {
        UChar32 c = s[i];
        if (c < 0x80) {
            ++i;
        } else {
            U8_NEXT(s, i, length, c);
        }
        const char32_t decoded = c < 0 ? kReplacement : static_cast<char32_t>(c);
        if (!scan.add(lower(decoded))) {
            return false;
        }
    }
    return scan.valid();
}

bool isValidAround(std::u32string_view onset, std::u32string_view coda) {
    if (onset.size() > 3 || coda.size() > 2) {
        return false;
    }
    std::array<char32_t, 3> lowerOnset{};
    for (std::size_t i = 0; i < onset.size(); ++i) {
        lowerOnset[i] = lower(onset[i]);
    }
    std::array<char32_t, 2> lowerCoda{};
    for (std::size_t i = 0; i < coda.size(); ++i) {
        lowerCoda[i] = lower(coda[i]);
    }
    return isOnset(lowerOnset.data(), onset.size()) && isCoda(lowerCoda.data(), coda.size());
}

bool hasInterruptedVowels(std::u32string_view word) {
    return vowelSpan(word).interrupted;
}

bool hasInterruptedVowels(std::string_view utf8Word) {
    return hasInterruptedVowels(std::u32string_view(text::toUtf32(utf8Word)));
}

}  // namespace halvora::engine::VietnameseSyllable
