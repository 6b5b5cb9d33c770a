#include "engine/VowelMap.h"

#include "text/Unicode.h"

namespace halvora::engine {
namespace {

struct Position {
    int row = -1;
    int column = 0;
};

// Row indices of the table, named for the shaped-vowel test.
constexpr int kRowABreve = 1;
constexpr int kRowACircumflex = 2;
constexpr int kRowECircumflex = 4;
constexpr int kRowOCircumflex = 7;
constexpr int kRowOHorn = 8;
constexpr int kRowUHorn = 10;

// Every vowel of the table lies in ASCII, Latin-1, Latin Extended-A/B or
// Latin Extended Additional; a character elsewhere is never looked up.
Position find(char32_t lower) {
    if (lower < U'a' || lower > 0x1EF9) {
        return {};
    }
    const auto& table = VowelMap::rows();
    for (int r = 0; r < static_cast<int>(table.size()); ++r) {
        for (int t = 0; t < kToneCount; ++t) {
            if (table[r][t] == lower) {
                return {r, t};
            }
        }
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
    return find(text::lowerChar(c)).row >= 0;
}

bool isShaped(char32_t c) {
    switch (find(text::lowerChar(c)).row) {
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
    return find(text::lowerChar(c)).column;
}

char32_t copyCase(char32_t target, char32_t source) {
    return text::isUpperForm(source) ? text::upperChar(target) : target;
}

char32_t withTone(char32_t c, int tone) {
    const Position p = find(text::lowerChar(c));
    if (p.row < 0 || tone < 0 || tone >= kToneCount) {
        return c;
    }
    return copyCase(rows()[p.row][tone], c);
}

char32_t base(char32_t c) {
    const char32_t lower = text::lowerChar(c);
    const Position p = find(lower);
    return p.row < 0 ? lower : rows()[p.row][0];
}

char32_t withShape(char32_t shaped, char32_t like) {
    return withTone(copyCase(shaped, like), toneIndex(like));
}

}  // namespace VowelMap
}  // namespace halvora::engine
