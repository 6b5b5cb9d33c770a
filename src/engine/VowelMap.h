#pragma once

// The Vietnamese vowels with their six tone forms, and the operations that
// move a vowel between tones and shapes while keeping its case.
//
// The engine asks these questions several times per character on every
// keystroke, so the table is built at compile time and the look-ups are
// inline: one bounds check and one load for "which row, column and case".

#include <array>
#include <cstdint>
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

namespace detail {

inline constexpr std::array<Row, 12> kLowerRows{{
    {U'a', U'á', U'à', U'ả', U'ã', U'ạ'},
    {U'ă', U'ắ', U'ằ', U'ẳ', U'ẵ', U'ặ'},
    {U'â', U'ấ', U'ầ', U'ẩ', U'ẫ', U'ậ'},
    {U'e', U'é', U'è', U'ẻ', U'ẽ', U'ẹ'},
    {U'ê', U'ế', U'ề', U'ể', U'ễ', U'ệ'},
    {U'i', U'í', U'ì', U'ỉ', U'ĩ', U'ị'},
    {U'o', U'ó', U'ò', U'ỏ', U'õ', U'ọ'},
    {U'ô', U'ố', U'ồ', U'ổ', U'ỗ', U'ộ'},
    {U'ơ', U'ớ', U'ờ', U'ở', U'ỡ', U'ợ'},
    {U'u', U'ú', U'ù', U'ủ', U'ũ', U'ụ'},
    {U'ư', U'ứ', U'ừ', U'ử', U'ữ', U'ự'},
    {U'y', U'ý', U'ỳ', U'ỷ', U'ỹ', U'ỵ'},
}};

inline constexpr std::array<Row, 12> kUpperRows{{
    {U'A', U'Á', U'À', U'Ả', U'Ã', U'Ạ'},
    {U'Ă', U'Ắ', U'Ằ', U'Ẳ', U'Ẵ', U'Ặ'},
    {U'Â', U'Ấ', U'Ầ', U'Ẩ', U'Ẫ', U'Ậ'},
    {U'E', U'É', U'È', U'Ẻ', U'Ẽ', U'Ẹ'},
    {U'Ê', U'Ế', U'Ề', U'Ể', U'Ễ', U'Ệ'},
    {U'I', U'Í', U'Ì', U'Ỉ', U'Ĩ', U'Ị'},
    {U'O', U'Ó', U'Ò', U'Ỏ', U'Õ', U'Ọ'},
    {U'Ô', U'Ố', U'Ồ', U'Ổ', U'Ỗ', U'Ộ'},
    {U'Ơ', U'Ớ', U'Ờ', U'Ở', U'Ỡ', U'Ợ'},
    {U'U', U'Ú', U'Ù', U'Ủ', U'Ũ', U'Ụ'},
    {U'Ư', U'Ứ', U'Ừ', U'Ử', U'Ữ', U'Ự'},
    {U'Y', U'Ý', U'Ỳ', U'Ỷ', U'Ỹ', U'Ỵ'},
}};

struct Position {
    std::int8_t row = -1;
    std::int8_t column = 0;
    bool upper = false;
};

// Every vowel form, in either case, lies below U+01B1 (ASCII, Latin-1, Latin
// Extended-A/B up to ư) or in U+1EA0..U+1EF9 (Latin Extended Additional).
inline constexpr char32_t kLowBlockEnd = 0x01B1;
inline constexpr char32_t kHighBlockStart = 0x1EA0;
inline constexpr char32_t kHighBlockEnd = 0x1EFA;

struct PositionTable {
    std::array<Position, kLowBlockEnd> low{};
    std::array<Position, kHighBlockEnd - kHighBlockStart> high{};

    constexpr void put(char32_t c, Position p) {
        if (c < kLowBlockEnd) {
            low[c] = p;
        } else {
            high[c - kHighBlockStart] = p;
        }
    }
};

constexpr PositionTable buildPositionTable() {
    PositionTable t;
    for (std::size_t r = 0; r < kLowerRows.size(); ++r) {
        for (std::size_t column = 0; column < kToneCount; ++column) {
            const auto row = static_cast<std::int8_t>(r);
            const auto col = static_cast<std::int8_t>(column);
            t.put(kLowerRows[r][column], {row, col, false});
            t.put(kUpperRows[r][column], {row, col, true});
        }
    }
    return t;
}

inline constexpr PositionTable kPositions = buildPositionTable();

// Row, column and case of a vowel; row -1 for anything else.
constexpr Position find(char32_t c) {
    if (c < kLowBlockEnd) {
        return kPositions.low[c];
    }
    if (c >= kHighBlockStart && c < kHighBlockEnd) {
        return kPositions.high[c - kHighBlockStart];
    }
    return {};
}

// Row indices of the shaped vowels.
inline constexpr unsigned kShapedRows =
    (1u << 1) | (1u << 2) | (1u << 4) | (1u << 7) | (1u << 8) | (1u << 10);

// Case of characters outside the vowel table, and case mapping of them.
bool isUpperFormSlow(char32_t c);
char32_t lowerSlow(char32_t c);
char32_t upperSlow(char32_t c);

}  // namespace detail

/// Twelve rows a ă â e ê i o ô ơ u ư y, each the toneless vowel followed by its
/// forms for tone indices 1 to 5; lower case, precomposed.
inline const std::array<Row, 12>& rows() {
    return detail::kLowerRows;
}

/// Whether the character (in either case) stands in the table.
constexpr bool isVowel(char32_t c) {
    return detail::find(c).row >= 0;
}

/// Whether the character is one of ă â ê ô ơ ư in any tone or case.
constexpr bool isShaped(char32_t c) {
    const int row = detail::find(c).row;
    return row >= 0 && ((detail::kShapedRows >> row) & 1u) != 0;
}

/// The column of the character in the table; 0 for anything that is not a vowel.
constexpr int toneIndex(char32_t c) {
    return detail::find(c).column;
}

/// `target` in upper case when `source` is its own upper-case form (a
/// character without case counts as upper case); otherwise `target` unchanged.
inline char32_t copyCase(char32_t target, char32_t source) {
    // Vowels know their case from the table; ICU answers for everything else.
    const detail::Position s = detail::find(source);
    bool upper;
    if (s.row >= 0) {
        upper = s.upper;
    } else if (source < 0x80) {
        upper = !(source >= 'a' && source <= 'z');
    } else {
        upper = detail::isUpperFormSlow(source);
    }
    if (!upper) {
        return target;
    }
    const detail::Position t = detail::find(target);
    if (t.row >= 0) {
        return detail::kUpperRows[t.row][t.column];
    }
    if (target < 0x80) {
        return (target >= 'a' && target <= 'z') ? target - ('a' - 'A') : target;
    }
    return detail::upperSlow(target);
}

/// The same vowel with the given tone, keeping its case; non-vowels unchanged.
constexpr char32_t withTone(char32_t c, int tone) {
    const detail::Position p = detail::find(c);
    if (p.row < 0 || tone < 0 || tone >= kToneCount) {
        return c;
    }
    return p.upper ? detail::kUpperRows[p.row][tone] : detail::kLowerRows[p.row][tone];
}

/// The lower-case toneless form that keeps the shape (ấ → â, Ắ → ă); any other
/// character lower-cased (D → d, đ stays đ).
inline char32_t base(char32_t c) {
    const detail::Position p = detail::find(c);
    if (p.row >= 0) {
        return detail::kLowerRows[p.row][0];
    }
    if (c < 0x80) {
        return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
    }
    return detail::lowerSlow(c);
}

/// The toneless shaped vowel `shaped` with the case and the tone of `like`.
inline char32_t withShape(char32_t shaped, char32_t like) {
    return withTone(copyCase(shaped, like), toneIndex(like));
}

}  // namespace VowelMap
}  // namespace halvora::engine
