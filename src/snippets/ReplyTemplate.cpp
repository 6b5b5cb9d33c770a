#include "snippets/ReplyTemplate.h"

#include "text/Unicode.h"
#include "util/Whitespace.h"

#include <unicode/uchar.h>

#include <algorithm>
#include <array>
#include <utility>

namespace halvora::snippets::ReplyTemplate {
namespace {

struct Placeholder {
    std::size_t start;  // offset of "{"
    std::size_t end;    // offset just past "}"
    std::string_view name;
};

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool isNameCharacter(char c) {
    return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '_';
}

/// The placeholders of `text`, left to right, without overlaps: the matches
/// of \{([A-Za-z][A-Za-z0-9_]*)\} scanned from the start. The pattern is
/// ASCII, so scanning UTF-8 bytes finds the same matches.
std::vector<Placeholder> placeholders(std::string_view text) {
    std::vector<Placeholder> found;
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '{' || i + 1 >= text.size() || !isAsciiLetter(text[i + 1])) {
            ++i;
            continue;
        }
        std::size_t j = i + 2;
        while (j < text.size() && isNameCharacter(text[j])) {
            ++j;
        }
        if (j < text.size() && text[j] == '}') {
            found.push_back({i, j + 1, text.substr(i + 1, j - i - 1)});
            i = j + 1;
        } else {
            ++i;
        }
    }
    return found;
}

constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kKnownLabels{{
    {"ten_khach", "Tên khách"},
    {"ma_don", "Mã đơn"},
    {"san_pham", "Sản phẩm"},
    {"so_dien_thoai", "Số điện thoại"},
    {"gia", "Giá"},
    {"ngay_giao", "Ngày giao"},
    {"ten_cong_ty", "Tên công ty"},
    {"dia_chi", "Địa chỉ"},
}};

/// Words are delimited by spaces, tabs and line terminators.
bool isWordSeparator(char32_t c) {
    if (c == U'\t' || (c >= 0x0A && c <= 0x0D) || c == 0x85) {
        return true;
    }
    const auto type = u_charType(static_cast<UChar32>(c));
    return type == U_SPACE_SEPARATOR || type == U_LINE_SEPARATOR || type == U_PARAGRAPH_SEPARATOR;
}

}  // namespace

std::vector<std::string> fields(std::string_view templateText) {
    std::vector<std::string> names;
    for (const Placeholder& placeholder : placeholders(templateText)) {
        if (std::ranges::find(names, placeholder.name) == names.end()) {
            names.emplace_back(placeholder.name);
        }
    }
    return names;
}

std::optional<std::string> render(std::string_view templateText, const FieldValues& values) {
    const std::vector<Placeholder> matches = placeholders(templateText);
    if (matches.empty()) {
        return std::string(templateText);
    }
    std::string result;
    result.reserve(templateText.size());
    std::size_t cursor = 0;
    for (const Placeholder& match : matches) {
        const auto it = values.find(match.name);
        if (it == values.end()) {
            return std::nullopt;
        }
        const std::string_view value = util::trimWhitespaceAndNewlines(it->second);
        if (value.empty()) {
            return std::nullopt;
        }
        result.append(templateText.substr(cursor, match.start - cursor));
        result.append(value);
        cursor = match.end;
    }
    result.append(templateText.substr(cursor));
    return result;
}

std::string label(std::string_view field) {
    for (const auto& [key, known] : kKnownLabels) {
        if (key == field) {
            return std::string(known);
        }
    }
    std::u32string characters = text::toUtf32(field);
    bool wordStart = true;
    for (char32_t& c : characters) {
        if (c == U'_') {
            c = U' ';
        }
        if (isWordSeparator(c)) {
            wordStart = true;
            continue;
        }
        c = wordStart ? text::upperChar(c) : text::lowerChar(c);
        wordStart = false;
    }
    return text::toUtf8(characters);
}

}  // namespace halvora::snippets::ReplyTemplate
