#include "text/Unicode.h"

#include <gtest/gtest.h>

namespace halvora::text {
namespace {

TEST(UnicodeTest, Utf8RoundTripAndMalformedInput) {
    const std::string sample = "Tiếng Việt 😀";
    EXPECT_EQ(toUtf8(toUtf32(sample)), sample);
    EXPECT_EQ(toUtf32("a\xFF"
                      "b"),
              U"a\uFFFDb");
    EXPECT_EQ(toUtf32("\xE1\xBA"), U"\uFFFD");
}

TEST(UnicodeTest, GraphemeCounting) {
    const std::pair<std::u32string, std::size_t> cases[] = {
        {U"", 0},       {U"việt", 4}, {U"e\u0301", 1},   {U"\r\n", 1},
        {U"a\r\nb", 3}, {U"🇻🇳", 1},   {U"👩\u200D💻x", 2}, {U"ti\u00EA\u0301ng", 5},
    };
    for (const auto& [input, count] : cases) {
        EXPECT_EQ(graphemeCount(std::u32string_view(input)), count) << toUtf8(input);
    }
    EXPECT_EQ(graphemeCount(std::string_view("người")), 5u);
}

TEST(UnicodeTest, LastGraphemeStart) {
    const std::pair<std::u32string, std::size_t> cases[] = {
        {U"", 0}, {U"abc", 2}, {U"te\u0301", 1}, {U"x\r\n", 1}, {U"a🇻🇳", 1},
        // Emoji joined by ZWJ form one character; the end alone cannot tell.
        {U"x👩\u200D💻", 1}, {U"việt", 3}, {U"ab\u0600c", 2},
    };
    for (const auto& [input, start] : cases) {
        EXPECT_EQ(lastGraphemeStart(input), start) << toUtf8(input);
    }
}

TEST(UnicodeTest, CharacterClasses) {
    EXPECT_TRUE(isLetter(U'a'));
    EXPECT_TRUE(isLetter(U'Đ'));
    EXPECT_TRUE(isLetter(U'ệ'));
    EXPECT_FALSE(isLetter(U'1'));
    EXPECT_FALSE(isLetter(U';'));
    EXPECT_FALSE(isLetter(U'\u0301'));
    EXPECT_TRUE(isNumber(U'7'));
    EXPECT_TRUE(isNumber(U'²'));
    EXPECT_FALSE(isNumber(U'a'));
    EXPECT_TRUE(isUpperForm(U'A'));
    EXPECT_TRUE(isUpperForm(U'1'));
    EXPECT_FALSE(isUpperForm(U'ß')) << "ß upper-cases to SS, so it is not its own upper case";
    EXPECT_EQ(upperChar(U'ư'), U'Ư');
    EXPECT_EQ(lowerChar(U'Ế'), U'ế');
}

TEST(UnicodeTest, Folding) {
    EXPECT_EQ(foldDiacritics("Ấy ư đ"), "Ay u đ");
    EXPECT_EQ(removeVietnameseAccents("Đắk Lắk"), "Dak Lak");
    EXPECT_EQ(toNFC("e\u0301"), "é");
    EXPECT_EQ(lowercased("ABC"), "abc");
    EXPECT_EQ(uppercased("đ", "vi_VN"), "Đ");
}

}  // namespace
}  // namespace halvora::text
