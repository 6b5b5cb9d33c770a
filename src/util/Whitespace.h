#pragma once

// Trimming of white space the way the platform's character sets define it:
// "white space" is every space separator (general category Zs) and the tab;
// "line breaks" are U+000A to U+000D, U+0085 and the line and paragraph
// separators. Results are views into the argument, so the bytes between the
// trimmed ends stay exactly as they were.

#include <string_view>

namespace halvora::util {

/// Without leading and trailing white space (spaces and tabs only).
std::string_view trimWhitespace(std::string_view utf8);

/// Without leading and trailing white space and line breaks.
std::string_view trimWhitespaceAndNewlines(std::string_view utf8);

}  // namespace halvora::util
