#include "text/Unicode.h"

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <memory>

namespace halvora::text {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

icu::UnicodeString toIcu(std::string_view utf8) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
}

std::string fromIcu(const icu::UnicodeString& s) {
    std::string out;
    s.toUTF8String(out);
    return out;
}

bool isAscii(std::string_view s) {
    for (unsigned char c : s) {
        if (c >= 0x80) {
            return false;
        }
    }
    return true;
}

// True when every code point forms a user-perceived character of its own, so
// that counting and cutting by code point agree with grapheme segmentation.
// CR LF is the one pair of simple characters that joins; callers handle it.
bool isSimpleForSegmentation(std::u32string_view text) {
    for (char32_t c : text) {
        if (c < 0x80) {
            continue;
        }
        if (u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_GRAPHEME_CLUSTER_BREAK) !=
            U_GCB_OTHER) {
            return false;
        }
    }
    return true;
}

std::unique_ptr<icu::BreakIterator> characterIterator(const icu::UnicodeString& text) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status) || !it) {
        return nullptr;
    }
    it->setText(text);
    return it;
}

icu::UnicodeString toIcu(std::u32string_view text) {
    return icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32*>(text.data()),
                                         static_cast<int32_t>(text.size()));
}

const icu::Normalizer2* nfc() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* n = icu::Normalizer2::getNFCInstance(status);
    return U_SUCCESS(status) ? n : nullptr;
}

const icu::Normalizer2* nfd() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* n = icu::Normalizer2::getNFDInstance(status);
    return U_SUCCESS(status) ? n : nullptr;
}

}  // namespace

void appendUtf32(std::u32string& out, std::string_view utf8) {
    const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    int32_t i = 0;
    while (i < length) {
        if (s[i] < 0x80) {
            out.push_back(s[i++]);
            continue;
        }
        UChar32 c = 0;
        U8_NEXT(s, i, length, c);
        out.push_back(c < 0 ? kReplacement : static_cast<char32_t>(c));
    }
}

std::u32string toUtf32(std::string_view utf8) {
    std::u32string out;
    out.reserve(utf8.size());
    appendUtf32(out, utf8);
    return out;
}

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
        return;
    }
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        c = kReplacement;
    }
    uint8_t buffer[U8_MAX_LENGTH];
    int32_t length = 0;
    U8_APPEND_UNSAFE(buffer, length, static_cast<UChar32>(c));
    out.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(length));
}

std::string toUtf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char32_t c : text) {
        appendUtf8(out, c);
    }
    return out;
}

char32_t lowerChar(char32_t c) {
    if (c < 0x80) {
        return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
    }
    return static_cast<char32_t>(u_tolower(static_cast<UChar32>(c)));
}

char32_t upperChar(char32_t c) {
    if (c < 0x80) {
        return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c;
    }
    return static_cast<char32_t>(u_toupper(static_cast<UChar32>(c)));
}

bool isUpperForm(char32_t c) {
    if (c < 0x80) {
        return !(c >= 'a' && c <= 'z');
    }
    return !u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_CHANGES_WHEN_UPPERCASED);
}

bool isLetter(char32_t c) {
    if (c < 0x80) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    }
    return u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_ALPHABETIC);
}

bool isNumber(char32_t c) {
    if (c < 0x80) {
        return c >= '0' && c <= '9';
    }
    return u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

std::string lowercased(std::string_view utf8) {
    if (isAscii(utf8)) {
        std::string out(utf8);
        for (char& c : out) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c + ('a' - 'A'));
            }
        }
        return out;
    }
    return lowercased(utf8, "");
}

std::string lowercased(std::string_view utf8, const char* locale) {
    icu::UnicodeString s = toIcu(utf8);
    s.toLower(icu::Locale(locale));
    return fromIcu(s);
}

std::string uppercased(std::string_view utf8, const char* locale) {
    icu::UnicodeString s = toIcu(utf8);
    s.toUpper(icu::Locale(locale));
    return fromIcu(s);
}

std::size_t graphemeCount(std::u32string_view text) {
    if (isSimpleForSegmentation(text)) {
        std::size_t count = text.size();
        for (std::size_t i = 1; i < text.size(); ++i) {
            if (text[i - 1] == U'\r' && text[i] == U'\n') {
                --count;
            }
        }
        return count;
    }
    const icu::UnicodeString s = toIcu(text);
    auto it = characterIterator(s);
    if (!it) {
        return text.size();
    }
    std::size_t count = 0;
    for (int32_t p = it->next(); p != icu::BreakIterator::DONE; p = it->next()) {
        ++count;
    }
    return count;
}

std::size_t graphemeCount(std::string_view utf8) {
    // Most texts counted here are short words of simple characters: count
    // them in place and decode for segmentation only when that is needed.
    const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
    const auto length = static_cast<int32_t>(utf8.size());
    std::size_t count = 0;
    char32_t previous = 0;
    for (int32_t i = 0; i < length;) {
        UChar32 c = s[i];
        if (c < 0x80) {
            ++i;
        } else {
            U8_NEXT(s, i, length, c);
            if (c < 0 || u_getIntPropertyValue(c, UCHAR_GRAPHEME_CLUSTER_BREAK) != U_GCB_OTHER) {
                const std::u32string text = toUtf32(utf8);
                return graphemeCount(std::u32string_view(text));
            }
        }
        if (!(previous == U'\r' && c == '\n')) {
            ++count;
        }
        previous = static_cast<char32_t>(c);
    }
    return count;
}

std::size_t lastGraphemeStart(std::u32string_view text) {
    if (text.empty()) {
        return 0;
    }
    // Only the end of the text matters: when the last character stands alone
    // (no mark, joiner or prefix ties it to the one before), it is the last
    // user-perceived character. This keeps Backspace cheap in long texts.
    const std::size_t last = text.size() - 1;
    const auto breakClass = [](char32_t c) {
        return u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_GRAPHEME_CLUSTER_BREAK);
    };
    const char32_t c1 = text[last];
    const bool lastStandsAlone =
        (c1 >= 0x20 && c1 < 0x7F) || (c1 >= 0x80 && breakClass(c1) == U_GCB_OTHER);
    if (lastStandsAlone) {
        if (last == 0) {
            return 0;
        }
        const char32_t c0 = text[last - 1];
        if (c0 < 0x80 || (breakClass(c0) != U_GCB_PREPEND && breakClass(c0) != U_GCB_ZWJ)) {
            return last;
        }
    }
    if (isSimpleForSegmentation(text)) {
        return (last > 0 && text[last - 1] == U'\r' && text[last] == U'\n') ? last - 1 : last;
    }
    const icu::UnicodeString s = toIcu(text);
    auto it = characterIterator(s);
    if (!it) {
        return last;
    }
    const int32_t startUnits = it->preceding(s.length());
    // Convert the UTF-16 offset back into a code point offset.
    return static_cast<std::size_t>(s.countChar32(0, startUnits));
}

std::string toNFC(std::string_view utf8) {
    if (isAscii(utf8)) {
        return std::string(utf8);
    }
    const icu::Normalizer2* n = nfc();
    if (!n) {
        return std::string(utf8);
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString out = n->normalize(toIcu(utf8), status);
    return U_SUCCESS(status) ? fromIcu(out) : std::string(utf8);
}

std::string foldDiacritics(std::string_view utf8) {
    if (isAscii(utf8)) {
        return std::string(utf8);
    }
    const icu::Normalizer2* decompose = nfd();
    const icu::Normalizer2* compose = nfc();
    if (!decompose || !compose) {
        return std::string(utf8);
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString decomposed = decompose->normalize(toIcu(utf8), status);
    if (U_FAILURE(status)) {
        return std::string(utf8);
    }
    icu::UnicodeString kept;
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK) {
            kept.append(c);
        }
        i += U16_LENGTH(c);
    }
    const icu::UnicodeString out = compose->normalize(kept, status);
    return U_SUCCESS(status) ? fromIcu(out) : fromIcu(kept);
}

std::string removeVietnameseAccents(std::string_view utf8) {
    std::string replaced;
    replaced.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        // đ is C4 91 and Đ is C4 90 in UTF-8.
        if (utf8[i] == '\xC4' && i + 1 < utf8.size() &&
            (utf8[i + 1] == '\x91' || utf8[i + 1] == '\x90')) {
            replaced.push_back(utf8[i + 1] == '\x91' ? 'd' : 'D');
            ++i;
            continue;
        }
        replaced.push_back(utf8[i]);
    }
    return foldDiacritics(replaced);
}

}  // namespace halvora::text
