#pragma once

// The Vietnamese vowels with their six tone forms, and the operations that
// move a vowel between tones and shapes while keeping its case.

#include <array>
#include <optional>
#include <string_view>

namespace halvora::engine {

/// Tone index: 0 ngang, 1 sắc, 2 huyền, 3 hỏi, 4 ngã, 5 nặng.
inline constexpr int kToneCount = 6;

/// The marks a base vowel can take.
enum class Shape {
    circumflex,   ///< a e o → â ê ô
    horn,         ///< o u → ơ ư
    breve,        ///< a → ă
    hornOrBreve,  ///< a o u → ă ơ ư (the Telex w key)
};

std::string_view shapeName(Shape shape);
/// "circumflex", "horn", "breve" or "hornOrBreve"; other names give none.
std::optional<Shape> shapeFromName(std::string_view name);

namespace VowelMap {

using Row = std::array<char32_t, kToneCount>;

/// Twelve rows a ă â e ê i o ô ơ u ư y, each the toneless vowel followed by its
/// forms for tone indices 1 to 5; lower case, precomposed.
const std::array<Row, 12>& rows();

/// Whether the character (in either case) stands in the table.
bool isVowel(char32_t c);
/// Whether the character is one of ă â ê ô ơ ư in any tone or case.
bool isShaped(char32_t c);
/// The column of the character in the table; 0 for anything that is not a vowel.
int toneIndex(char32_t c);

/// `target` in upper case when `source` is its own upper-case form (a
/// character without case counts as upper case); otherwise `target` unchanged.
char32_t copyCase(char32_t target, char32_t source);
/// The same vowel with the given tone, keeping its case; non-vowels unchanged.
char32_t withTone(char32_t c, int tone);
/// The lower-case toneless form that keeps the shape (ấ → â, Ắ → ă); any other
/// character lower-cased (D → d, đ stays đ).
char32_t base(char32_t c);
/// The toneless shaped vowel `shaped` with the case and the tone of `like`.
char32_t withShape(char32_t shaped, char32_t like);

}  // namespace VowelMap
}  // namespace halvora::engine
