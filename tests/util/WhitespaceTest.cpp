#include "util/Whitespace.h"

#include <gtest/gtest.h>

#include <string>

namespace halvora::util {
namespace {

TEST(WhitespaceTest, Trimming) {
    const struct {
        std::string text;
        std::string whitespace;
        std::string whitespaceAndNewlines;
    } cases[] = {
        {"", "", ""},
        {"  a b  ", "a b", "a b"},
        {"\t\u00a0\u2003a\u3000", "a", "a"},
        {"\na\n", "\na\n", "a"},
        {" \r\n\u2028\u0085 x \u2029", "\r\n\u2028\u0085 x \u2029", "x"},
        {"   ", "", ""},
        {"\u200b", "\u200b", "\u200b"},  // a zero-width space is not white space
        {" \xff ", "\xff", "\xff"},      // malformed bytes stop the trim and stay
        {"Việt Nam", "Việt Nam", "Việt Nam"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(trimWhitespace(c.text), c.whitespace);
        EXPECT_EQ(trimWhitespaceAndNewlines(c.text), c.whitespaceAndNewlines);
    }
}

}  // namespace
}  // namespace halvora::util
