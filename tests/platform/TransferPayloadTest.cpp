#include "TransferPayload.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>

namespace halvora::testbed {
namespace {

/// Reads one level of ID-length-value fields; nothing when they do not
/// tile the text exactly.
std::optional<std::vector<std::pair<std::string, std::string>>> fields(const std::string& text) {
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t p = 0;
    while (p < text.size()) {
        if (text.size() - p < 4) {
            return std::nullopt;
        }
        const std::size_t length = std::stoul(text.substr(p + 2, 2));
        if (p + 4 + length > text.size()) {
            return std::nullopt;
        }
        out.emplace_back(text.substr(p, 2), text.substr(p + 4, length));
        p += 4 + length;
    }
    return out;
}

std::map<std::string, std::string> fieldMap(const std::string& text) {
    const auto list = fields(text);
    EXPECT_TRUE(list.has_value()) << text;
    return list ? std::map<std::string, std::string>(list->begin(), list->end())
                : std::map<std::string, std::string>{};
}

TEST(TransferPayloadTest, CrcMatchesTheStandardCheckValues) {
    EXPECT_EQ(crc16CcittFalse("123456789"), 0x29B1);
    EXPECT_EQ(crc16CcittFalse(""), 0xFFFF);
    EXPECT_EQ(crc16CcittFalse("A"), 0xB915);
}

TEST(TransferPayloadTest, FieldLengthCountsBytes) {
    EXPECT_EQ(emvField("00", "01"), "000201");
    EXPECT_EQ(emvField("08", "Đ"), "0802Đ");
    EXPECT_EQ(emvField("62", ""), "6200");
    EXPECT_EQ(emvField("99", std::string(120, 'x')), "9999" + std::string(99, 'x'));
}

struct PayloadCase {
    const char* name;
    TransferDetails details;
    std::vector<std::string> tags;
    const char* initiation;
};

class TransferPayloadCases : public testing::TestWithParam<PayloadCase> {};

TEST_P(TransferPayloadCases, CarriesTheTransferInOrderWithAValidCrc) {
    const auto& c = GetParam();
    const std::string payload = transferPayload(c.details);

    const auto list = fields(payload);
    ASSERT_TRUE(list.has_value()) << payload;
    std::vector<std::string> tags;
    for (const auto& field : *list) {
        tags.push_back(field.first);
    }
    EXPECT_EQ(tags, c.tags);

    auto top = fieldMap(payload);
    EXPECT_EQ(top["00"], "01");
    EXPECT_EQ(top["01"], c.initiation);
    EXPECT_EQ(top["53"], "704");
    EXPECT_EQ(top["58"], "VN");
    EXPECT_EQ(top.count("54") ? top["54"] : "", c.details.amount);
    const std::string memo = top.count("62") ? fieldMap(top["62"])["08"] : "";
    EXPECT_EQ(memo, c.details.memo);

    auto account = fieldMap(top["38"]);
    EXPECT_EQ(account["00"], "A000000727");
    EXPECT_EQ(account["02"], "QRIBFTTA");
    auto beneficiary = fieldMap(account["01"]);
    EXPECT_EQ(beneficiary["00"], c.details.bin);
    EXPECT_EQ(beneficiary["01"], c.details.account);

    // The CRC covers everything up to and including "6304".
    ASSERT_GE(payload.size(), 8u);
    const std::string covered = payload.substr(0, payload.size() - 4);
    ASSERT_TRUE(covered.ends_with("6304"));
    char expected[5];
    std::snprintf(expected, sizeof expected, "%04X", unsigned{crc16CcittFalse(covered)});
    EXPECT_EQ(payload.substr(payload.size() - 4), expected);
}

INSTANTIATE_TEST_SUITE_P(
    , TransferPayloadCases,
    testing::Values(PayloadCase{"AmountAndMemo",
                                {"970436", "0123456789", "150000", "CHUC MUNG NAM MOI"},
                                {"00", "01", "38", "53", "54", "58", "62", "63"},
                                "12"},
                    PayloadCase{"AmountOnly",
                                {"970415", "ABC123456", "1", ""},
                                {"00", "01", "38", "53", "54", "58", "63"},
                                "12"},
                    PayloadCase{"MemoOnly",
                                {"970422", "1234567890123456789", "", "CAM ON"},
                                {"00", "01", "38", "53", "58", "62", "63"},
                                "11"},
                    PayloadCase{"Neither",
                                {"970418", "123456", "", ""},
                                {"00", "01", "38", "53", "58", "63"},
                                "11"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TransferPayloadTest, KnownPayloadIsReproducedExactly) {
    // Worked out field by field: the account block is
    // 0010A000000727 0127(0006970436 0113 0123456789012) 0208QRIBFTTA.
    const std::string body =
        "000201010212"
        "38570010A00000072701270006970436011301234567890120208QRIBFTTA"
        "5303704540610000058"
        "02VN62100806CAM ON6304";
    // CRC computed independently (Python's binascii.crc_hqx with 0xFFFF).
    EXPECT_EQ(transferPayload({"970436", "0123456789012", "100000", "CAM ON"}), body + "A863");
}

}  // namespace
}  // namespace halvora::testbed
