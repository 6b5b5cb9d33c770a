#include "cli/QrCommand.h"

#include "../qr/TransferPayload.h"
#include "TemporaryFolder.h"
#include "platform/InMemoryUserDefaults.h"
#include "platform/sim/SimBarcodeReader.h"
#include "platform/sim/SimHttpClient.h"
#include "platform/sim/SimImageCodec.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace halvora::cli {
namespace {

using platform::sim::SimImageCodec;

TEST(QrArgumentsTest, Parse) {
    using Args = std::vector<std::string_view>;
    EXPECT_EQ(std::get<QrOptions>(parseQrArguments(Args{})), QrOptions{});
    EXPECT_EQ(std::get<QrOptions>(
                  parseQrArguments(Args{"--out", "a.png", "--memo", "", "--config", "/tmp/c"})),
              (QrOptions{"a.png", std::string(""), std::filesystem::path("/tmp/c")}));
    for (const Args& bad :
         {Args{"--out"}, Args{"--out", ""}, Args{"--memo"}, Args{"x"}, Args{"--vni"}}) {
        EXPECT_TRUE(std::holds_alternative<std::string>(parseQrArguments(bad)));
    }
}

class QrCommandTest : public ::testing::Test {
  protected:
    QrCommandTest() {
        defaults_.set("qr.bankID", "vcb");
        defaults_.set("qr.accountNumber", "0123456789");
        defaults_.set("qr.accountName", "Nguyễn Văn Đức");
        http_.scriptBody("https://api.vietqr.io/v2/banks",
                         R"({"code":"00","data":[{"code":"VCB","bin":"970436",)"
                         R"("shortName":"Vietcombank","name":"N"}]})");
    }

    void scriptCode(const std::string& memo) {
        http_.scriptBody("https://img.vietqr.io/image/",
                         SimImageCodec::svg({480, 480}, qr::testing::transferPayload(
                                                            {"970436", "0123456789", "", memo})));
    }

    int run(QrOptions options) {
        out_.str("");
        err_.str("");
        return runQr(options, defaults_, {http_, codec_, reader_}, out_, err_);
    }

    QrOptions options() const { return {folder_ / "qr.png", std::nullopt, std::nullopt}; }

    halvora::testing::TemporaryFolder folder_;
    platform::InMemoryUserDefaults defaults_;
    platform::sim::SimHttpClient http_;
    SimImageCodec codec_;
    platform::sim::SimBarcodeReader reader_;
    std::ostringstream out_, err_;
};

TEST_F(QrCommandTest, WritesThePngAndPrintsWhatWasSent) {
    // An unshuffled-looking rotation: the next greeting is the last stored one.
    defaults_.set("qr.remainingWishes",
                  platform::DefaultsValue(std::vector<std::string>{"Khởi đầu thuận lợi"}));
    scriptCode("KHOI DAU THUAN LOI");
    ASSERT_EQ(run(options()), 0) << err_.str();
    EXPECT_EQ(out_.str(),
              "bank: Vietcombank\nname: NGUYEN VAN DUC\nmemo: KHOI DAU THUAN LOI\npng: " +
                  (folder_ / "qr.png").string() + "\n");
    EXPECT_EQ(err_.str(), "");
    const std::string png = halvora::testing::TemporaryFolder::read(folder_ / "qr.png");
    EXPECT_EQ(codec_.pixelSize(platform::Bytes(png.begin(), png.end())),
              (platform::PixelSize{480, 480}));
    EXPECT_EQ(defaults_.stringValue("qr.lastWish"), "Khởi đầu thuận lợi");
}

TEST_F(QrCommandTest, AGivenMemoLeavesTheRotationAlone) {
    scriptCode("CAM ON ANH");
    QrOptions withMemo = options();
    withMemo.memo = "Cảm ơn anh";
    ASSERT_EQ(run(withMemo), 0) << err_.str();
    EXPECT_NE(out_.str().find("memo: CAM ON ANH\n"), std::string::npos);
    EXPECT_FALSE(defaults_.object("qr.lastWish"));
}

TEST_F(QrCommandTest, TheDefaultMemoWhenGreetingsAreOff) {
    defaults_.set("qr.randomMemo", false);
    defaults_.set("qr.defaultMemo", "Đơn 42");
    scriptCode("DON 42");
    ASSERT_EQ(run(options()), 0) << err_.str();
    EXPECT_NE(out_.str().find("memo: DON 42\n"), std::string::npos);
    EXPECT_FALSE(defaults_.object("qr.lastWish"));
}

TEST_F(QrCommandTest, FailuresPrintTheDescriptionAndWriteNothing) {
    defaults_.set("qr.randomMemo", false);
    scriptCode("SOMETHING ELSE");
    EXPECT_EQ(run(options()), 1);
    EXPECT_EQ(err_.str(),
              "Tạo QR lỗi: Nội dung đọc từ QR không khớp tài khoản, số tiền hoặc lời chúc đã "
              "nhập.\n");
    EXPECT_EQ(out_.str(), "");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "qr.png"));

    defaults_.set("qr.imageURL", "http://127.0.0.1:1");  // nothing scripted there
    EXPECT_EQ(run(options()), 1);
    EXPECT_EQ(err_.str(), std::string("Tạo QR lỗi: ") +
                              platform::sim::SimHttpClient::unreachableDescription + "\n");
}

TEST_F(QrCommandTest, AnUnconfiguredAccountSpendsNoGreeting) {
    defaults_.removeObject("qr.accountName");
    EXPECT_EQ(run(options()), 1);
    EXPECT_EQ(err_.str(), "Tạo QR lỗi: Nhập tài khoản trong mục QR chuyển khoản trước khi dán.\n");
    EXPECT_FALSE(defaults_.object("qr.remainingWishes"));
    EXPECT_TRUE(http_.requests().empty());
}

TEST_F(QrCommandTest, AnUnwritableFileFails) {
    defaults_.set("qr.randomMemo", false);
    scriptCode("");
    EXPECT_EQ(run({folder_ / "missing" / "qr.png", std::nullopt, std::nullopt}), 1);
    EXPECT_NE(err_.str().find("halvora: qr: "), std::string::npos);
    EXPECT_EQ(out_.str(), "");
}

}  // namespace
}  // namespace halvora::cli
