#include "snippets/ReplyTemplate.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace halvora::snippets {
namespace {

TEST(ReplyTemplateTest, Fields) {
    const struct {
        std::string text;
        std::vector<std::string> expected;
    } cases[] = {
        {"Chào {ten_khach}, đơn {ma_don} của {ten_khach}", {"ten_khach", "ma_don"}},
        {"{Ten} và {ten}", {"Ten", "ten"}},
        {"{1x} {_a} {} { a } {x y} {tên} {a-b}", {}},
        {"{{a}} {b2_C}{c}", {"a", "b2_C", "c"}},
        {"{a {b}", {"b"}},
        {"Không có trường", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ReplyTemplate::fields(c.text), c.expected);
    }
}

TEST(ReplyTemplateTest, Render) {
    const struct {
        std::string text;
        ReplyTemplate::FieldValues values;
        std::optional<std::string> expected;
    } cases[] = {
        {"Hi {a}", {{"a", "  Lan \n"}}, "Hi Lan"},
        {"Hi {a}", {{"a", "\u00a0\u3000Lan\u2028\t"}}, "Hi Lan"},
        {"Hi {a} {b}", {{"a", "Lan"}}, std::nullopt},
        {"Hi {a} {b}", {{"a", "Lan"}, {"b", "   "}}, std::nullopt},
        {"Hi {a}", {}, std::nullopt},
        {"{1x} and {x y}", {{"x", "v"}}, "{1x} and {x y}"},
        {"Không có trường\n", {}, "Không có trường\n"},
        {"{a}-{a}\r\n{b}", {{"a", "A"}, {"b", " x  y "}, {"unused", ""}}, "A-A\r\nx  y"},
        {"Giá {gia}", {{"gia", "{gia} {b}"}}, "Giá {gia} {b}"},
        {"{A}", {{"a", "lower"}}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ReplyTemplate::render(c.text, c.values), c.expected);
    }
}

TEST(ReplyTemplateTest, Label) {
    const struct {
        std::string field;
        std::string expected;
    } cases[] = {
        {"ten_khach", "Tên khách"},
        {"ma_don", "Mã đơn"},
        {"san_pham", "Sản phẩm"},
        {"so_dien_thoai", "Số điện thoại"},
        {"gia", "Giá"},
        {"ngay_giao", "Ngày giao"},
        {"ten_cong_ty", "Tên công ty"},
        {"dia_chi", "Địa chỉ"},
        {"ngay_nhan", "Ngay Nhan"},
        {"so_tien_coc", "So Tien Coc"},
        {"GIA", "Gia"},
        {"mA_dON2", "Ma Don2"},
        {"a__b", "A  B"},
        {"Gia", "Gia"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(ReplyTemplate::label(c.field), c.expected);
    }
}

}  // namespace
}  // namespace halvora::snippets
