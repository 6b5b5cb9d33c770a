#include "util/Whitespace.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdint>

namespace halvora::util {
namespace {

bool isWhitespace(UChar32 c) {
    return c == U'\t' || u_charType(c) == U_SPACE_SEPARATOR;
}

bool isWhitespaceOrNewline(UChar32 c) {
    if (c >= 0x0A && c <= 0x0D) {
        return true;
    }
    if (c == 0x85 || c == 0x2028 || c == 0x2029) {
        return true;
    }
    return isWhitespace(c);
}

template <typename Predicate>
std::string_view trim(std::string_view text, Predicate shouldTrim) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    const auto length = static_cast<std::int32_t>(text.size());
    std::int32_t start = 0;
    while (start < length) {
        std::int32_t next = start;
        UChar32 c = 0;
        U8_NEXT(bytes, next, length, c);
        if (c < 0 || !shouldTrim(c)) {
            break;
        }
        start = next;
    }
    std::int32_t end = length;
    while (end > start) {
        std::int32_t previous = end;
        UChar32 c = 0;
        U8_PREV(bytes, start, previous, c);
        if (c < 0 || !shouldTrim(c)) {
            break;
        }
        end = previous;
    }
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

}  // namespace

std::string_view trimWhitespace(std::string_view utf8) {
    return trim(utf8, isWhitespace);
}

std::string_view trimWhitespaceAndNewlines(std::string_view utf8) {
    return trim(utf8, isWhitespaceOrNewline);
}

}  // namespace halvora::util
