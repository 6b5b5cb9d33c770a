#pragma once

// Small Unicode toolkit shared by every subsystem. Text is UTF-8 in std::string
// at the edges and UTF-32 inside the hot paths of the composition engine; all
// property look-ups, case mappings and segmentation go through ICU.

#include <cstddef>
#include <string>
#include <string_view>

namespace halvora::text {

/// Decodes UTF-8; each malformed sequence becomes U+FFFD.
std::u32string toUtf32(std::string_view utf8);
void appendUtf32(std::u32string& out, std::string_view utf8);

std::string toUtf8(std::u32string_view text);
void appendUtf8(std::string& out, char32_t c);

/// Simple (one code point to one code point) case mappings.
char32_t lowerChar(char32_t c);
char32_t upperChar(char32_t c);

/// True when the character equals its own upper-case form. Characters without
/// case (digits, punctuation) count as upper case.
bool isUpperForm(char32_t c);

/// The letter and number classes used to split words: a letter is an
/// alphabetic character, a number any character with a numeric type.
bool isLetter(char32_t c);
bool isNumber(char32_t c);

/// Full, locale-independent case mapping of a whole text.
std::string lowercased(std::string_view utf8);

/// Full case mapping under the given ICU locale (for example "vi_VN").
std::string lowercased(std::string_view utf8, const char* locale);
std::string uppercased(std::string_view utf8, const char* locale);

/// Number of user-perceived characters (extended grapheme clusters).
std::size_t graphemeCount(std::u32string_view text);
std::size_t graphemeCount(std::string_view utf8);

/// Offset (in code points) where the last user-perceived character starts;
/// 0 for the empty text.
std::size_t lastGraphemeStart(std::u32string_view text);

/// Canonical composition (NFC).
std::string toNFC(std::string_view utf8);

/// Removes every combining mark the text decomposes into (tone marks, the
/// shapes of ă â ê ô ơ ư, acute accents of other Latin letters) and
/// recomposes the rest. Letters of their own such as đ are left as they are.
std::string foldDiacritics(std::string_view utf8);

/// đ → d and Đ → D, then foldDiacritics: the accent-free spelling of a
/// Vietnamese text.
std::string removeVietnameseAccents(std::string_view utf8);

}  // namespace halvora::text
