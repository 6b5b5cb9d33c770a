#include "engine/VowelMap.h"

#include "text/Unicode.h"

#include <cstdint>

namespace halvora::engine {
namespace {

struct Position {
    std::int8_t row = -1;
    std::int8_t column = 0;
    bool upper = false;
};

// Row indices of the table, named for the shaped-vowel test.
constexpr int kRowABreve = 1;
constexpr int kRowACircumflex = 2;
constexpr int kRowECircumflex = 4;
constexpr int kRowOCircumflex = 7;
constexpr int kRowOHorn = 8;
constexpr int kRowUHorn = 10;

// Every vowel form, in either case, lies below U+01B1 (ASCII, Latin-1, Latin
// Extended-A/B up to ư) or in U+1EA0..U+1EF9 (Latin Extended Additional). Two
// direct-indexed arrays answer "which row and column" in one load: the engine
// asks this several times per character on every keystroke.
constexpr char32_t kLowBlockEnd = 0x01B1;
constexpr char32_t kHighBlockStart = 0x1EA0;
constexpr char32_t kHighBlockEnd = 0x1EFA;

struct PositionTable {
    std::array<VowelMap::Row, 12> upperRows{};
    std::array<Position, kLowBlockEnd> low{};
    std::array<Position, kHighBlockEnd - kHighBlockStart> high{};

    Position* slot(char32_t c) {
        if (c < kLowBlockEnd) {
            return &low[c];
        }
        if (c >= kHighBlockStart && c < kHighBlockEnd) {
            return &high[c - kHighBlockStart];
        }
        return nullptr;
    }
};

PositionTable buildPositionTable() {
    PositionTable t;
    const auto& rows = VowelMap::rows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t column = 0; column < kToneCount; ++column) {
            const char32_t lower = rows[r][column];
            const char32_t upper = text::upperChar(lower);
            t.upperRows[r][column] = upper;
            const auto row = static_cast<std::int8_t>(r);
            const auto col = static_cast<std::int8_t>(column);
            *t.slot(lower) = {row, col, false};
            *t.slot(upper) = {row, col, true};
        }
    }
    return t;
}

// Kept tiny so that it inlines into every look-up; the building stays out of line.
inline const PositionTable& positions() {
    static const PositionTable table = buildPositionTable();
    return table;
}

// Row, column and case of a vowel; row -1 for anything else.
Position find(char32_t c) {
    if (c < kLowBlockEnd) {
        return positions().low[c];
    }
    if (c >= kHighBlockStart && c < kHighBlockEnd) {
        return positions().high[c - kHighBlockStart];
    }
    return {};
}

}  // namespace

std::string_view shapeName(Shape shape) {
    switch (shape) {
        case Shape::circumflex:
            return "circumflex";
        case Shape::horn:
            return "horn";
        case Shape::breve:
            return "breve";
        case Shape::hornOrBreve:
            return "hornOrBreve";
    }
    return "hornOrBreve";
}

std::optional<Shape> shapeFromName(std::string_view name) {
    for (Shape shape : {Shape::circumflex, Shape::horn, Shape::breve, Shape::hornOrBreve}) {
        if (shapeName(shape) == name) {
            return shape;
        }
    }
    return std::nullopt;
}

namespace VowelMap {

const std::array<Row, 12>& rows() {
    static const std::array<Row, 12> table{{
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
    return table;
}

bool isVowel(char32_t c) {
    return find(c).row >= 0;
}

bool isShaped(char32_t c) {
    switch (find(c).row) {
        case kRowABreve:
        case kRowACircumflex:
        case kRowECircumflex:
        case kRowOCircumflex:
        case kRowOHorn:
        case kRowUHorn:
            return true;
        default:
            return false;
    }
}

int toneIndex(char32_t c) {
    return find(c).column;
}

char32_t copyCase(char32_t target, char32_t source) {
    // Vowels know their case from the table; ICU answers for everything else.
    const Position s = find(source);
    const bool upper = s.row >= 0 ? s.upper : text::isUpperForm(source);
    if (!upper) {
        return target;
    }
    const Position t = find(target);
    return t.row >= 0 ? positions().upperRows[t.row][t.column] : text::upperChar(target);
}

char32_t withTone(char32_t c, int tone) {
    const Position p = find(c);
    if (p.row < 0 || tone < 0 || tone >= kToneCount) {
        return c;
    }
    return p.upper ? positions().upperRows[p.row][tone] : rows()[p.row][tone];
}

char32_t base(char32_t c) {
    const Position p = find(c);
    return p.row < 0 ? text::lowerChar(c) : rows()[p.row][0];
}

char32_t withShape(char32_t shaped, char32_t like) {
    return withTone(copyCase(shaped, like), toneIndex(like));
}

}  // namespace VowelMap
}  // namespace halvora::engine
