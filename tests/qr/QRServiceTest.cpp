#include "qr/QRService.h"

#include "TransferPayload.h"
#include "platform/InMemoryUserDefaults.h"
#include "platform/sim/SimBarcodeReader.h"
#include "platform/sim/SimHttpClient.h"
#include "platform/sim/SimImageCodec.h"
#include "qr/PlatformFailure.h"
#include "qr/QRServiceError.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace halvora::qr {
namespace {

using platform::HttpResponse;
using platform::PixelSize;
using platform::sim::SimImageCodec;
using testing::tlv;
using testing::TransferFields;
using testing::transferPayload;

const std::string kBankMissing = "Nhập mã ngân hàng, ví dụ VCB.";
const std::string kAccountRule = "Số tài khoản cần có 6–19 chữ hoặc số, không có dấu cách.";
const std::string kNameRule = "Tên chủ tài khoản cần có 5–50 ký tự chữ không dấu.";
const std::string kMemoRule = "Nội dung chuyển khoản cần có tối đa 25 ký tự chữ không dấu.";
const std::string kAmountRule = "Số tiền cần là số dương tối đa 13 chữ số, hoặc để trống.";
const std::string kBankNotFound = "Không tìm thấy ngân hàng này. Nhập mã như VCB hoặc mã BIN 6 số.";
const std::string kNoURL = "Không tạo được địa chỉ QR.";

/// The error `action` throws, or a failure when it throws none or another kind.
std::optional<QRServiceError> qrErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const QRServiceError& error) {
        return error;
    } catch (const std::exception& other) {
        ADD_FAILURE() << "unexpected exception: " << other.what();
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> platformFailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const PlatformFailure& failure) {
        return failure.localizedDescription();
    } catch (const std::exception& other) {
        ADD_FAILURE() << "unexpected exception: " << other.what();
    }
    return std::nullopt;
}

TEST(QRServiceErrorTest, DescriptionsAreTheUserFacingSentences) {
    EXPECT_EQ(QRServiceError::invalid("Tùy ý.").localizedDescription(), "Tùy ý.");
    EXPECT_EQ(QRServiceError::serviceUnavailable().localizedDescription(),
              "Không tải được ảnh QR. Kiểm tra kết nối mạng rồi thử lại.");
    EXPECT_EQ(QRServiceError::invalidImage().localizedDescription(),
              "Dịch vụ không trả về ảnh QR hợp lệ.");
    EXPECT_EQ(QRServiceError::mismatchedQR().localizedDescription(),
              "Nội dung đọc từ QR không khớp tài khoản, số tiền hoặc lời chúc đã nhập.");
}

TEST(QRServiceTest, NormalizedText) {
    const std::pair<std::string, std::string> cases[] = {
        {"Nguyễn Văn Đức", "NGUYEN VAN DUC"},
        {"  trần thị thu\t\n", "TRAN THI THU"},
        {"Mọi điều suôn sẻ", "MOI DIEU SUON SE"},
        {"Khởi đầu thuận lợi", "KHOI DAU THUAN LOI"},
        {"A  b", "A  B"},                  // inner spaces stay
        {"Nguye\u0302\u0303n", "NGUYEN"},  // decomposed input
        {"ưu đãi ĐẶC BIỆT", "UU DAI DAC BIET"},
        {"", ""},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(QRService::normalizedText(input), expected) << input;
    }
}

TEST(QRServiceTest, ValidationRulesInOrder) {
    const QRRequest good{"VCB", "0123456789", "Nguyễn Văn Đức", "100000", "Cảm ơn"};
    struct Case {
        const char* label;
        std::function<void(QRRequest&)> change;
        std::string expectedMessage;  // empty: accepted
    };
    const std::string twentyFive(25, 'A');
    const Case cases[] = {
        {"good", [](QRRequest&) {}, ""},
        {"bank empty", [](QRRequest& r) { r.bankID = ""; }, kBankMissing},
        {"bank blank", [](QRRequest& r) { r.bankID = " \t\n"; }, kBankMissing},
        {"bank checked first", [](QRRequest& r) { r.bankID = "", r.accountNumber = "1"; },
         kBankMissing},
        {"account of five", [](QRRequest& r) { r.accountNumber = "01234"; }, kAccountRule},
        {"account of six", [](QRRequest& r) { r.accountNumber = "012345"; }, ""},
        {"account inner space", [](QRRequest& r) { r.accountNumber = "0123 456789"; },
         kAccountRule},
        {"account of 19", [](QRRequest& r) { r.accountNumber = "ABCdef1234567890123"; }, ""},
        {"account of 20", [](QRRequest& r) { r.accountNumber = "12345678901234567890"; },
         kAccountRule},
        {"account dash", [](QRRequest& r) { r.accountNumber = "0123-4567"; }, kAccountRule},
        {"account full-width digits", [](QRRequest& r) { r.accountNumber = "０１２３４５６"; },
         kAccountRule},
        {"account trimmed", [](QRRequest& r) { r.accountNumber = " 0123456\n"; }, ""},
        {"account before name", [](QRRequest& r) { r.accountNumber = "1", r.accountName = "A"; },
         kAccountRule},
        {"name of eight", [](QRRequest& r) { r.accountName = "Lê Thị B"; }, ""},
        {"name of two", [](QRRequest& r) { r.accountName = "An"; }, kNameRule},
        {"name of three after trimming", [](QRRequest& r) { r.accountName = "  Anh  "; },
         kNameRule},
        {"name of 50", [](QRRequest& r) { r.accountName = std::string(50, 'x'); }, ""},
        {"name of 51", [](QRRequest& r) { r.accountName = std::string(51, 'x'); }, kNameRule},
        {"name with hyphen", [](QRRequest& r) { r.accountName = "Tran-Thi Mai"; }, kNameRule},
        {"name with inner tab", [](QRRequest& r) { r.accountName = "Tran\tThi Mai"; }, kNameRule},
        {"name with a letter that does not fold",
         [](QRRequest& r) { r.accountName = "Ωmega Shop"; }, kNameRule},
        {"name before memo", [](QRRequest& r) { r.accountName = "An", r.memo = "!"; }, kNameRule},
        {"memo empty", [](QRRequest& r) { r.memo = ""; }, ""},
        {"memo of 25", [&](QRRequest& r) { r.memo = twentyFive; }, ""},
        {"memo of 25 after folding", [](QRRequest& r) { r.memo = "Chúc mừng sinh nhật anh Ơ"; },
         ""},
        {"memo of 26", [&](QRRequest& r) { r.memo = twentyFive + "B"; }, kMemoRule},
        {"memo punctuation", [](QRRequest& r) { r.memo = "Cảm ơn!"; }, kMemoRule},
        {"memo before amount", [](QRRequest& r) { r.memo = "!", r.amount = "0"; }, kMemoRule},
        {"amount empty", [](QRRequest& r) { r.amount = ""; }, ""},
        {"amount 0", [](QRRequest& r) { r.amount = "0"; }, kAmountRule},
        {"amount 0100", [](QRRequest& r) { r.amount = "0100"; }, kAmountRule},
        {"amount 12a", [](QRRequest& r) { r.amount = "12a"; }, kAmountRule},
        {"amount negative", [](QRRequest& r) { r.amount = "-5"; }, kAmountRule},
        {"amount decimal", [](QRRequest& r) { r.amount = "1.5"; }, kAmountRule},
        {"amount of 13", [](QRRequest& r) { r.amount = "1234567890123"; }, ""},
        {"amount of 14", [](QRRequest& r) { r.amount = "12345678901234"; }, kAmountRule},
        {"amount trimmed", [](QRRequest& r) { r.amount = " 5000\n"; }, ""},
    };
    for (const Case& c : cases) {
        QRRequest request = good;
        c.change(request);
        const auto error = qrErrorOf([&] { QRService::validated(request); });
        if (c.expectedMessage.empty()) {
            EXPECT_FALSE(error) << c.label << ": " << error->localizedDescription();
        } else {
            ASSERT_TRUE(error) << c.label;
            EXPECT_EQ(error->kind(), QRServiceError::Kind::invalid) << c.label;
            EXPECT_EQ(error->localizedDescription(), c.expectedMessage) << c.label;
        }
    }
}

TEST(QRServiceTest, WorkingValuesAreTrimmedAndNormalised) {
    const QRRequest request{" vcb\n", "\t0123456789 ", "Nguyễn Văn Đức", " 100000 ", " Cảm ơn "};
    EXPECT_EQ(
        QRService::validated(request),
        (QRService::WorkingValues{"vcb", "0123456789", "NGUYEN VAN DUC", "CAM ON", "100000"}));
}

TEST(QRServiceTest, ParseTLV) {
    using Map = std::map<std::string, std::string>;
    const struct {
        std::string text;
        std::optional<Map> expected;
    } cases[] = {
        {"", Map{}},
        {"0002AB", Map{{"00", "AB"}}},
        {"000201010212", Map{{"00", "01"}, {"01", "12"}}},
        {"0000", Map{{"00", ""}}},
        {"00+2AB", Map{{"00", "AB"}}},              // a sign is allowed
        {"00-0", Map{{"00", ""}}},                  // minus zero is not negative
        {"0002AB0002CD", Map{{"00", "CD"}}},        // a repeat overwrites
        {"0802\xC4\x82", Map{{"08", "\xC4\x82"}}},  // lengths count bytes (Ă)
        {"0001\xFF", Map{{"00", "\xEF\xBF\xBD"}}},  // invalid UTF-8 repaired
        {"00", std::nullopt},                       // fewer than four bytes
        {"0002AB000", std::nullopt},                // a cut-off tag
        {"0003AB", std::nullopt},                   // runs past the end
        {"00-1A", std::nullopt},                    // negative
        {"00xxAB", std::nullopt},                   // not a number
        {"00 2AB", std::nullopt},                   // spaces are not digits
        {"00+ AB", std::nullopt},
        {"0099", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QRService::parseTLV(c.text), c.expected) << c.text;
    }
}

TEST(QRServiceTest, TransferPayloadHelperHasTheStandardChecksum) {
    // The published check value of CRC-16/CCITT-FALSE.
    EXPECT_EQ(testing::crc16CcittFalse("123456789"), 0x29B1);
    const std::string payload = transferPayload({"970436", "0123456789", "100000", "CAM ON"});
    const auto top = QRService::parseTLV(payload);
    ASSERT_TRUE(top);
    EXPECT_EQ(top->at("54"), "100000");
    EXPECT_EQ(top->at("63").size(), 4u);
}

TEST(QRServiceTest, PayloadMatches) {
    const std::string bin = "970436", account = "0123456789";
    const auto payload = [&](std::string amount, std::string memo) {
        return transferPayload({bin, account, std::move(amount), std::move(memo)});
    };
    const std::string noMemoTag = payload("100000", "");
    const std::string emptyMemoTag = [&] {
        std::string p = tlv("00", "01") +
                        tlv("38", tlv("01", tlv("00", bin) + tlv("01", account))) +
                        tlv("54", "100000") + tlv("62", tlv("08", ""));
        return p;
    }();
    const struct {
        const char* label;
        std::string payload;
        std::string bin, account, amount, memo;
        bool expected;
    } cases[] = {
        {"exact", payload("100000", "CAM ON"), bin, account, "100000", "CAM ON", true},
        {"no amount, no memo", payload("", ""), bin, account, "", "", true},
        {"other memo", payload("100000", "CAM ON"), bin, account, "100000", "CAM ON 2", false},
        {"memo missing", noMemoTag, bin, account, "100000", "CAM ON", false},
        {"unexpected memo", payload("100000", "X"), bin, account, "100000", "", false},
        {"empty memo tag for no memo", emptyMemoTag, bin, account, "100000", "", true},
        {"other amount", payload("200000", "CAM ON"), bin, account, "100000", "CAM ON", false},
        {"decimal amount", payload("100000.00", "CAM ON"), bin, account, "100000", "CAM ON", false},
        {"amount missing", payload("", "CAM ON"), bin, account, "100000", "CAM ON", false},
        {"unexpected amount", payload("100000", "CAM ON"), bin, account, "", "CAM ON", false},
        {"other BIN", payload("100000", "CAM ON"), "970407", account, "100000", "CAM ON", false},
        {"other account", payload("100000", "CAM ON"), bin, "0123456788", "100000", "CAM ON",
         false},
        {"account case differs", transferPayload({bin, "abc123", "", ""}), bin, "ABC123", "", "",
         false},
        {"length runs past the end", payload("", "") + "5405", bin, account, "", "", false},
        {"length not a number", "00xx01", bin, account, "", "", false},
        {"no tag 38", tlv("00", "01") + tlv("53", "704"), bin, account, "", "", false},
        {"broken tag 38", tlv("38", "0199"), bin, account, "", "", false},
        {"no beneficiary in 38", tlv("38", tlv("00", "A000000727")), bin, account, "", "", false},
        {"empty text", "", bin, account, "", "", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QRService::payloadMatches(c.payload, c.bin, c.account, c.amount, c.memo),
                  c.expected)
            << c.label;
    }
    // The checksum is not what proves the content.
    std::string wrongChecksum = payload("100000", "CAM ON");
    wrongChecksum.replace(wrongChecksum.size() - 4, 4, "0000");
    EXPECT_TRUE(QRService::payloadMatches(wrongChecksum, bin, account, "100000", "CAM ON"));
}

// ----- bank directory -------------------------------------------------------

const char* const kDirectory = R"({
  "code": "00", "desc": "Get Bank list successful",
  "data": [
    {"id": 17, "name": "Ngân hàng TMCP Ngoại Thương Việt Nam", "code": "VCB", "bin": "970436",
     "shortName": "Vietcombank", "logo": "https://example.invalid/vcb.png", "transferSupported": 1},
    {"id": 43, "name": "Ngân hàng TMCP Kỹ thương Việt Nam", "code": "TCB", "bin": "970407",
     "shortName": "Techcombank"},
    {"id": 21, "name": "Ngân hàng TMCP Quân đội", "code": "MB", "bin": "970422",
     "shortName": "MBBank"}
  ]
})";

TEST(QRServiceTest, DecodeBanksResponse) {
    const auto decoded = QRService::decodeBanksResponse(kDirectory);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->code, "00");
    ASSERT_EQ(decoded->data.size(), 3u);
    EXPECT_EQ(decoded->data[0], (QRService::Bank{"VCB", "970436", "Vietcombank",
                                                 "Ngân hàng TMCP Ngoại Thương Việt Nam"}));
    const char* const refused[] = {
        "",
        "not json",
        "[]",
        R"({"code": "00"})",
        R"({"data": []})",
        R"({"code": 0, "data": []})",
        R"({"code": "00", "data": {}})",
        R"({"code": "00", "data": [{"code": "VCB", "shortName": "V", "name": "N"}]})",
        R"({"code": "00", "data": [{"code": "VCB", "bin": 970436, "shortName": "V", "name": "N"}]})",
        R"({"code": "00", "data": [{"code": "VCB", "bin": null, "shortName": "V", "name": "N"}]})",
        R"({"code": "00", "data": ["VCB"]})",
    };
    for (const char* json : refused) {
        EXPECT_FALSE(QRService::decodeBanksResponse(json)) << json;
    }
    EXPECT_TRUE(QRService::decodeBanksResponse(R"({"code": "01", "data": []})"));
}

TEST(QRServiceTest, FindBank) {
    const auto banks = QRService::decodeBanksResponse(kDirectory)->data;
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"VCB", "Vietcombank"},
        {"vcb", "Vietcombank"},
        {"970407", "Techcombank"},
        {"mbbank", "MBBank"},
        {"Ngân hàng TMCP Quân đội", {}},
        {"97043", {}},
        {"", {}},
    };
    for (const auto& [query, shortName] : cases) {
        const auto bank = QRService::findBank(banks, query);
        EXPECT_EQ(bank ? std::optional(bank->shortName) : std::nullopt, shortName) << query;
    }
    // Banks are tried in the order received, each by all three fields, so an
    // earlier bank whose short name is a later bank's BIN wins.
    const std::vector<QRService::Bank> tricky = {{"ABC", "111111", "970422", "A"},
                                                 {"MB", "970422", "MBBank", "B"}};
    EXPECT_EQ(QRService::findBank(tricky, "970422")->code, "ABC");
}

// ----- endpoints and URL ----------------------------------------------------

TEST(QREndpointsTest, NormalizedBaseURL) {
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"https://img.vietqr.io", "https://img.vietqr.io"},
        {"http://127.0.0.1:8080/", "http://127.0.0.1:8080"},
        {"http://localhost:8080/qr//", "http://localhost:8080/qr"},
        {"http://[::1]:9000", "http://[::1]:9000"},
        {"ftp://example.com", std::nullopt},
        {"img.vietqr.io", std::nullopt},
        {"https://", std::nullopt},
        {"https://:80", std::nullopt},
        {"https://host/path?x=1", std::nullopt},
        {"https://host#x", std::nullopt},
        {"https://user@host", std::nullopt},
        {"https://ho st", std::nullopt},
    };
    for (const auto& [base, expected] : cases) {
        EXPECT_EQ(QREndpoints::normalizedBaseURL(base), expected) << base;
    }
}

TEST(QREndpointsTest, OverridesFromTheUserDefaults) {
    platform::InMemoryUserDefaults defaults;
    EXPECT_EQ(QREndpoints::load(defaults), QREndpoints{});
    EXPECT_EQ(QREndpoints{}.directoryURL, "https://api.vietqr.io");
    EXPECT_EQ(QREndpoints{}.imageURL, "https://img.vietqr.io");
    defaults.set("qr.directoryURL", " http://127.0.0.1:8080 ");
    defaults.set("qr.imageURL", "");  // empty: the default stays
    EXPECT_EQ(QREndpoints::load(defaults),
              (QREndpoints{"http://127.0.0.1:8080", "https://img.vietqr.io"}));
    defaults.set("qr.imageURL", true);  // not a string: the default stays
    EXPECT_EQ(QREndpoints::load(defaults).imageURL, "https://img.vietqr.io");
}

TEST(QRServiceTest, ImageURL) {
    const QRService::Bank bank{"VCB", "970436", "Vietcombank", "N"};
    const QREndpoints endpoints;
    EXPECT_EQ(QRService::imageURL(endpoints, bank,
                                  {"VCB", "0123456789", "NGUYEN VAN DUC", "CAM ON", "100000"}),
              "https://img.vietqr.io/image/970436-0123456789-compact2.svg"
              "?accountName=NGUYEN%20VAN%20DUC&addInfo=CAM%20ON&amount=100000");
    EXPECT_EQ(
        QRService::imageURL(endpoints, bank, {"VCB", "0123456789", "LE THI B", "", ""}),
        "https://img.vietqr.io/image/970436-0123456789-compact2.svg?accountName=LE%20THI%20B");
    EXPECT_EQ(QRService::imageURL(endpoints, bank, {"VCB", "0123456789", "LE THI B", "", "5000"}),
              "https://img.vietqr.io/image/970436-0123456789-compact2.svg"
              "?accountName=LE%20THI%20B&amount=5000");
    // A directory BIN can never reach into another path or the query.
    const QRService::Bank hostile{"X", "../a?b=1", "X", "X"};
    EXPECT_EQ(QRService::imageURL({"https://d", "http://127.0.0.1:9/base/"}, hostile,
                                  {"X", "012345", "LE THI B", "", ""}),
              "http://127.0.0.1:9/base/image/..%2Fa%3Fb%3D1-012345-compact2.svg"
              "?accountName=LE%20THI%20B");
    const auto error = qrErrorOf([&] {
        QRService::imageURL({"https://d", "img.vietqr.io"}, bank,
                            {"X", "012345", "LE THI B", "", ""});
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), kNoURL);
}

// ----- the whole generation over the simulated ports ------------------------

class QRServiceGenerateTest : public ::testing::Test {
  protected:
    static constexpr const char* kDirectoryURL = "https://api.vietqr.io/v2/banks";
    static constexpr const char* kImagePrefix = "https://img.vietqr.io/image/";

    const QRRequest request_{"vcb", "0123456789", "Nguyễn Văn Đức", "100000", "Cảm ơn"};
    const TransferFields fields_{"970436", "0123456789", "100000", "CAM ON"};

    platform::sim::SimHttpClient http_;
    SimImageCodec codec_;
    platform::sim::SimBarcodeReader reader_;

    QRServicePorts ports() { return {http_, codec_, reader_}; }

    void scriptDirectory() { http_.scriptBody(kDirectoryURL, kDirectory); }
    void scriptImage(const std::string& payload, PixelSize size = {600, 600}) {
        http_.scriptBody(kImagePrefix, SimImageCodec::svg(size, payload));
    }
    GeneratedQR generate() { return QRService::generate(request_, ports()); }
    std::optional<QRServiceError> generateError() {
        return qrErrorOf([&] { generate(); });
    }
};

TEST_F(QRServiceGenerateTest, SuccessReturnsTheVerifiedPng) {
    scriptDirectory();
    scriptImage(transferPayload(fields_));
    const GeneratedQR qr = generate();
    EXPECT_EQ(qr.bankName, "Vietcombank");
    EXPECT_EQ(qr.accountName, "NGUYEN VAN DUC");
    EXPECT_EQ(SimImageCodec::formatOf(qr.png), "PNG");
    EXPECT_EQ(codec_.pixelSize(qr.png), (PixelSize{600, 600}));  // not scaled

    const auto requests = http_.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].url, kDirectoryURL);
    EXPECT_EQ(requests[1].url,
              "https://img.vietqr.io/image/970436-0123456789-compact2.svg"
              "?accountName=NGUYEN%20VAN%20DUC&addInfo=CAM%20ON&amount=100000");
    for (const auto& request : requests) {
        EXPECT_TRUE(request.headers.empty());
        EXPECT_EQ(request.maxBodyBytes, std::optional<std::size_t>(3'000'000));
    }
}

TEST_F(QRServiceGenerateTest, OverriddenHostsAreUsed) {
    http_.scriptBody("http://127.0.0.1:8080/v2/banks", kDirectory);
    http_.scriptBody("http://127.0.0.1:8081/image/",
                     SimImageCodec::svg({400, 400}, transferPayload(fields_)));
    const GeneratedQR qr =
        QRService::generate(request_, ports(), {"http://127.0.0.1:8080", "http://127.0.0.1:8081/"});
    EXPECT_EQ(qr.bankName, "Vietcombank");
}

TEST_F(QRServiceGenerateTest, InvalidInputMakesNoRequest) {
    scriptDirectory();
    const auto error = qrErrorOf([&] {
        QRService::generate({"VCB", "01234", "Nguyen Van A", "", ""}, ports());
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), kAccountRule);
    EXPECT_TRUE(http_.requests().empty());
}

TEST_F(QRServiceGenerateTest, UnusableDirectoryIsServiceUnavailable) {
    const struct {
        const char* label;
        platform::HttpResult answer;
    } cases[] = {
        {"status 500", HttpResponse{500, {}, false}},
        {"status 404 with a good body",
         HttpResponse{404, platform::Bytes(kDirectory, kDirectory + std::strlen(kDirectory)),
                      false}},
        {"not JSON", HttpResponse{200, {'<', 'h', '>'}, false}},
        {"too large", HttpResponse{200, platform::Bytes(10, '{'), true}},
    };
    for (const auto& c : cases) {
        platform::sim::SimHttpClient http;
        http.script(kDirectoryURL, c.answer);
        const auto error = qrErrorOf([&] {
            QRService::generate(request_, {http, codec_, reader_});
        });
        ASSERT_TRUE(error) << c.label;
        EXPECT_EQ(error->kind(), QRServiceError::Kind::serviceUnavailable) << c.label;
        EXPECT_EQ(http.requests().size(), 1u) << c.label;
    }
    const char* const bodies[] = {
        R"({"code": "01", "data": []})",
        R"({"code": "00", "data": [{"code": "VCB", "shortName": "V", "name": "N"}]})",
        R"({"code": "00", "data": [{"code": "VCB", "bin": 970436, "shortName": "V", "name": "N"}]})",
    };
    for (const char* body : bodies) {
        platform::sim::SimHttpClient http;
        http.scriptBody(kDirectoryURL, body);
        const auto error = qrErrorOf([&] {
            QRService::generate(request_, {http, codec_, reader_});
        });
        ASSERT_TRUE(error) << body;
        EXPECT_EQ(error->kind(), QRServiceError::Kind::serviceUnavailable) << body;
    }
}

TEST_F(QRServiceGenerateTest, AnUnusableDirectoryURLMakesNoRequest) {
    scriptDirectory();
    scriptImage(transferPayload(fields_));
    const auto error = qrErrorOf([&] {
        QRService::generate(request_, ports(), {"api.vietqr.io", "https://img.vietqr.io"});
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), kNoURL);
    EXPECT_TRUE(http_.requests().empty());
}

TEST_F(QRServiceGenerateTest, UnknownBankIsInvalid) {
    scriptDirectory();
    const auto error = qrErrorOf([&] {
        QRService::generate({"Ngân hàng TMCP Quân đội", "0123456789", "Nguyen Van A", "", ""},
                            ports());
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), QRServiceError::Kind::invalid);
    EXPECT_EQ(error->localizedDescription(), kBankNotFound);
    EXPECT_EQ(http_.requests().size(), 1u);
}

TEST_F(QRServiceGenerateTest, TransportErrorsPassThroughUnchanged) {
    // Nothing scripted: the directory host cannot be reached.
    EXPECT_EQ(platformFailureOf([&] { generate(); }),
              platform::sim::SimHttpClient::unreachableDescription);
    // The image host fails with its own description.
    platform::sim::SimHttpClient http;
    http.scriptBody(kDirectoryURL, kDirectory);
    http.script(kImagePrefix, platform::PlatformError{"Hết thời gian chờ máy chủ."});
    EXPECT_EQ(platformFailureOf([&] {
                  QRService::generate(request_, {http, codec_, reader_});
              }),
              "Hết thời gian chờ máy chủ.");
}

TEST_F(QRServiceGenerateTest, UnusableImageResponseIsServiceUnavailable) {
    const std::string svg = SimImageCodec::svg({600, 600}, transferPayload(fields_));
    const platform::Bytes good(svg.begin(), svg.end());
    const struct {
        const char* label;
        HttpResponse answer;
    } cases[] = {
        {"status 500", {500, good, false}},
        {"status 201", {201, good, false}},
        {"empty body", {200, {}, false}},
        {"too large", {200, good, true}},
        {"longer than the limit", {200, platform::Bytes(3'000'001, 'x'), false}},
    };
    for (const auto& c : cases) {
        platform::sim::SimHttpClient http;
        http.scriptBody(kDirectoryURL, kDirectory);
        http.script(kImagePrefix, c.answer);
        const auto error = qrErrorOf([&] {
            QRService::generate(request_, {http, codec_, reader_});
        });
        ASSERT_TRUE(error) << c.label;
        EXPECT_EQ(error->kind(), QRServiceError::Kind::serviceUnavailable) << c.label;
    }
}

TEST_F(QRServiceGenerateTest, UnusableImageIsInvalidImage) {
    const std::string payload = transferPayload(fields_);
    const struct {
        const char* label;
        std::string body;
    } cases[] = {
        {"not an image", "hello"},
        {"399 wide", SimImageCodec::svg({399, 600}, payload)},
        {"399 high", SimImageCodec::svg({600, 399}, payload)},
        {"no code in it", SimImageCodec::svg({600, 600}, "")},
    };
    for (const auto& c : cases) {
        platform::sim::SimHttpClient http;
        http.scriptBody(kDirectoryURL, kDirectory);
        http.scriptBody(kImagePrefix, c.body);
        const auto error = qrErrorOf([&] {
            QRService::generate(request_, {http, codec_, reader_});
        });
        ASSERT_TRUE(error) << c.label;
        EXPECT_EQ(error->kind(), QRServiceError::Kind::invalidImage) << c.label;
    }
    // A raster image is accepted as well as SVG.
    {
        platform::sim::SimHttpClient http;
        http.scriptBody(kDirectoryURL, kDirectory);
        http.script(kImagePrefix,
                    HttpResponse{200, SimImageCodec::encoded({400, 400}, payload, "JPEG"), false});
        EXPECT_EQ(QRService::generate(request_, {http, codec_, reader_}).bankName, "Vietcombank");
    }
    // The platform cannot write a PNG.
    scriptDirectory();
    scriptImage(payload);
    codec_.setEncodingFails(true);
    const auto error = generateError();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->kind(), QRServiceError::Kind::invalidImage);
}

TEST_F(QRServiceGenerateTest, ReaderFailurePassesThrough) {
    scriptDirectory();
    scriptImage(transferPayload(fields_));
    reader_.setFailure(platform::PlatformError{"Bộ đọc mã vạch gặp lỗi."});
    EXPECT_EQ(platformFailureOf([&] { generate(); }), "Bộ đọc mã vạch gặp lỗi.");
}

TEST_F(QRServiceGenerateTest, OtherContentIsMismatched) {
    const struct {
        const char* label;
        std::string payload;
    } cases[] = {
        {"other memo", transferPayload({"970436", "0123456789", "100000", "CHUC MUNG"})},
        {"other amount", transferPayload({"970436", "0123456789", "50000", "CAM ON"})},
        {"no amount", transferPayload({"970436", "0123456789", "", "CAM ON"})},
        {"other account", transferPayload({"970436", "9876543210", "100000", "CAM ON"})},
        {"other bank", transferPayload({"970407", "0123456789", "100000", "CAM ON"})},
        {"not a transfer code", "https://example.com"},
        {"negative length", "00-1" + transferPayload(fields_)},
    };
    for (const auto& c : cases) {
        platform::sim::SimHttpClient http;
        http.scriptBody(kDirectoryURL, kDirectory);
        http.scriptBody(kImagePrefix, SimImageCodec::svg({600, 600}, c.payload));
        const auto error = qrErrorOf([&] {
            QRService::generate(request_, {http, codec_, reader_});
        });
        ASSERT_TRUE(error) << c.label;
        EXPECT_EQ(error->kind(), QRServiceError::Kind::mismatchedQR) << c.label;
    }
}

TEST_F(QRServiceGenerateTest, EmptyMemoAndAmountAreLeftOutAndMustBeAbsent) {
    scriptDirectory();
    scriptImage(transferPayload({"970436", "0123456789", "", ""}));
    const QRRequest request{"970436", "0123456789", "Lê Thị B", "", ""};
    EXPECT_EQ(QRService::generate(request, ports()).accountName, "LE THI B");
    EXPECT_EQ(
        http_.requests().back().url,
        "https://img.vietqr.io/image/970436-0123456789-compact2.svg?accountName=LE%20THI%20B");
}

}  // namespace
}  // namespace halvora::qr
