// The keyboard controller pasting a transfer QR made by DynamicQRGenerator,
// end to end on the simulated desktop: the generation runs on the worker
// queue over the simulated network, image codec and barcode reader.

#include "qr/DynamicQRGenerator.h"

#include "TemporaryFolder.h"
#include "TransferPayload.h"
#include "app/Core.h"
#include "input/KeyboardController.h"
#include "platform/sim/SimDesktop.h"
#include "qr/WishGenerator.h"
#include "snippets/SnippetStore.h"
#include "snippets/sim/SimPanelHost.h"

#include <gtest/gtest.h>

#include <string>

namespace halvora::qr {
namespace {

using platform::sim::SimImageCodec;

class DynamicQRPasteTest : public ::testing::Test {
  protected:
    DynamicQRPasteTest()
        : platform_(desktop_.platform()),
          panels_(desktop_),
          generator_({desktop_.userDefaults(), desktop_.workerQueue(), desktop_.mainQueue(),
                      desktop_.http(), desktop_.imageCodec(), desktop_.barcodeReader()},
                     // Unshuffled: the first greeting is the list's last one.
                     [](std::size_t bound) { return bound - 1; }),
          core_(platform_, panels_, folder_.path(), &generator_),
          store_(core_.store()),
          controller_(core_.keyboard()) {
        chatPid_ = desktop_.launch("Zalo", "com.vng.zalo");
        chat_ = &desktop_.addField(chatPid_);
        desktop_.bringToFront(chatPid_);
        controller_.start();

        platform::UserDefaults& defaults = desktop_.userDefaults();
        defaults.set("qr.bankID", "vcb");
        defaults.set("qr.accountNumber", "0123456789");
        defaults.set("qr.accountName", "Nguyễn Văn Đức");

        snippets::Snippet qr;
        qr.trigger = "ck";
        qr.title = "Chuyển khoản";
        qr.text = "Anh chuyển khoản giúp em ạ";
        qr.dynamicQR = true;
        store_.append(qr);

        desktop_.http().scriptBody(
            "https://api.vietqr.io/v2/banks",
            R"({"code":"00","data":[{"code":"VCB","bin":"970436","shortName":"Vietcombank","name":"N"}]})");
    }

    void scriptCode(const std::string& memo) {
        payload_ = testing::transferPayload({"970436", "0123456789", "", memo});
        desktop_.http().scriptBody("https://img.vietqr.io/image/",
                                   SimImageCodec::svg({450, 450}, payload_));
    }

    void type(std::string_view text) {
        desktop_.typeText(text);
        desktop_.mainQueue().runReady();
    }

    /// The generation's network and image work, then what it hands back.
    void finishGeneration() {
        desktop_.workerQueue().runAll();
        desktop_.mainQueue().advance(1.0);
    }

    halvora::testing::TemporaryFolder folder_;
    platform::sim::SimDesktop desktop_;
    platform::Platform platform_;
    snippets::sim::SimPanelHost panels_;
    DynamicQRGenerator generator_;
    app::Core core_;
    snippets::SnippetStore& store_;
    input::KeyboardController& controller_;
    platform::ProcessId chatPid_ = 0;
    platform::sim::SimTextField* chat_ = nullptr;
    std::string payload_;
};

TEST_F(DynamicQRPasteTest, TheVerifiedCodeIsPastedAfterTheText) {
    scriptCode("CHUC LUON THANH CONG");
    type("Daj ;ck ");
    EXPECT_TRUE(controller_.qrBusy());
    EXPECT_EQ(desktop_.workerQueue().pendingCount(), 1u);
    EXPECT_EQ(desktop_.userDefaults().stringValue("qr.lastWish"), "Chúc luôn thành công");

    finishGeneration();
    EXPECT_EQ(controller_.qrStatus(), "Đã dán chữ và ảnh QR mới.");
    EXPECT_FALSE(controller_.qrFailed());
    EXPECT_EQ(chat_->text(), "Dạ Anh chuyển khoản giúp em ạ\n");
    ASSERT_EQ(chat_->pastedImages().size(), 1u);
    // The pasted image is the code that was read back.
    const auto image = desktop_.imageCodec().decode(chat_->pastedImages()[0]);
    ASSERT_TRUE(image);
    EXPECT_EQ(desktop_.barcodeReader().readQRCodes(*image),
              platform::BarcodeResult(std::vector<std::string>{payload_}));
    const auto requests = desktop_.http().requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[1].url.find("&addInfo=CHUC%20LUON%20THANH%20CONG"), std::string::npos);
}

TEST_F(DynamicQRPasteTest, AFailureShowsTheServiceDescription) {
    desktop_.userDefaults().set("qr.randomMemo", false);
    desktop_.userDefaults().set("qr.defaultMemo", "Đơn 42");
    scriptCode("DON 41");
    type(";ck ");
    finishGeneration();
    EXPECT_TRUE(controller_.qrFailed());
    EXPECT_EQ(controller_.qrStatus(),
              "Tạo QR lỗi: Nội dung đọc từ QR không khớp tài khoản, số tiền hoặc lời chúc đã "
              "nhập.");
    EXPECT_TRUE(chat_->pastedImages().empty());
    EXPECT_FALSE(desktop_.userDefaults().object("qr.lastWish"));
}

TEST_F(DynamicQRPasteTest, ANetworkFailureShowsThePlatformDescription) {
    // No image service scripted: the host cannot be reached.
    type(";ck ");
    finishGeneration();
    EXPECT_EQ(controller_.qrStatus(),
              std::string("Tạo QR lỗi: ") + platform::sim::SimHttpClient::unreachableDescription);
}

TEST_F(DynamicQRPasteTest, AResultArrivingAfterTypingIsDropped) {
    // The code is made for the second greeting: the first generation ends in
    // an error, which arrives after the cancellation and must be dropped too.
    scriptCode("MOT NGAY TUYET VOI");
    type(";ck ");
    type("a");
    const std::string cancelled = "Đã hủy QR vì anh tiếp tục gõ hoặc di chuyển con trỏ.";
    EXPECT_EQ(controller_.qrStatus(), cancelled);
    finishGeneration();
    EXPECT_EQ(controller_.qrStatus(), cancelled);
    EXPECT_TRUE(chat_->pastedImages().empty());
    // The greeting spent on the cancelled paste is not handed out again.
    type(" ;ck ");
    finishGeneration();
    EXPECT_EQ(controller_.qrStatus(), "Đã dán chữ và ảnh QR mới.");
    EXPECT_EQ(chat_->pastedImages().size(), 1u);
    EXPECT_EQ(desktop_.userDefaults().stringValue("qr.lastWish"), "Một ngày tuyệt vời");
}

}  // namespace
}  // namespace halvora::qr
