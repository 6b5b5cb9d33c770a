#include "engine/TextOperation.h"

#include <gtest/gtest.h>

#include <string>

namespace halvora::engine {
namespace {

struct OperationCase {
    TextOperation operation;
    std::string input;
    std::string expected;
};

TEST(TextOperationTest, Conversions) {
    const OperationCase cases[] = {
        {TextOperation::removeAccents, "Đường Nguyễn Huệ", "Duong Nguyen Hue"},
        {TextOperation::removeAccents, "Ấy đã ĐI rồi, ư?", "Ay da DI roi, u?"},
        {TextOperation::removeAccents, "café 123 ñ", "cafe 123 n"},
        {TextOperation::removeAccents, "plain text!", "plain text!"},
        {TextOperation::removeAccents, "e\u0301 decomposed", "e decomposed"},
        {TextOperation::uppercase, "đường phố", "ĐƯỜNG PHỐ"},
        {TextOperation::uppercase, "xin chào ă â ê ô ơ ư", "XIN CHÀO Ă Â Ê Ô Ơ Ư"},
        {TextOperation::lowercase, "ĐƯỜNG", "đường"},
        {TextOperation::lowercase, "Tiếng VIỆT 2026", "tiếng việt 2026"},
    };
    for (const OperationCase& c : cases) {
        EXPECT_EQ(engine::apply(c.operation, c.input), c.expected)
            << rawValue(c.operation) << ": " << c.input;
    }
}

TEST(TextOperationTest, EmptyTextStaysEmpty) {
    for (TextOperation operation : allTextOperations) {
        EXPECT_EQ(engine::apply(operation, ""), "");
    }
}

TEST(TextOperationTest, RawValuesAreTheLabels) {
    EXPECT_EQ(rawValue(TextOperation::uppercase), "CHỮ HOA");
    EXPECT_EQ(rawValue(TextOperation::lowercase), "chữ thường");
    EXPECT_EQ(rawValue(TextOperation::removeAccents), "Bỏ dấu");
    for (TextOperation operation : allTextOperations) {
        EXPECT_EQ(textOperationFromRawValue(rawValue(operation)), operation);
    }
    EXPECT_FALSE(textOperationFromRawValue("chữ hoa").has_value());
}

}  // namespace
}  // namespace halvora::engine
