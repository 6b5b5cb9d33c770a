#include "TemporaryFolder.h"

#include "app/Core.h"
#include "input/KeyboardController.h"
#include "platform/sim/SimDesktop.h"
#include "snippets/SnippetStore.h"
#include "snippets/sim/SimPanelHost.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>

namespace halvora::input {
namespace {

namespace keys = platform::keyCodes;
namespace flags = platform::eventFlags;
using platform::sim::SimDesktop;
using platform::sim::SimImageCodec;

// Generation under the test's control: each request waits until the test
// answers it, as a slow network would.
class FakeQRSource final : public DynamicQRSource {
  public:
    struct Request {
        qr::DynamicQRProfile profile;
        std::string memo;
        Completion completion;
    };

    std::string nextWishMemo() override { return "Chuc mung " + std::to_string(++wishes); }
    void prepare(const qr::DynamicQRProfile& profile, const std::string& memo,
                 Completion completion) override {
        requests.push_back({profile, memo, std::move(completion)});
    }

    void succeed(std::size_t index = 0) {
        Result result;
        result.png = SimImageCodec::encoded({400, 400}, "QR-PAYLOAD");
        requests.at(index).completion(std::move(result));
    }
    void fail(std::string description, std::size_t index = 0) {
        requests.at(index).completion(Result{std::nullopt, std::move(description)});
    }

    int wishes = 0;
    std::deque<Request> requests;
};

class DynamicQRFlowTest : public ::testing::Test {
  public:
    DynamicQRFlowTest()
        : platform_(desktop_.platform()),
          panels_(desktop_),
          core_(platform_, panels_, folder_.path(), &source_),
          store_(core_.store()),
          controller_(core_.keyboard()) {
        chatPid_ = desktop_.launch("Zalo", "com.vng.zalo");
        chat_ = &desktop_.addField(chatPid_);
        desktop_.bringToFront(chatPid_);
        controller_.start();

        platform::UserDefaults& defaults = desktop_.userDefaults();
        defaults.set("qr.bankID", "970436");
        defaults.set("qr.accountNumber", "0123456789");
        defaults.set("qr.accountName", "NGUYEN VAN A");
        defaults.set("qr.defaultMemo", "Thanh toan don hang");

        snippets::Snippet qr;
        qr.trigger = "ck";
        qr.title = "Chuyển khoản";
        qr.text = "Anh chuyển khoản giúp em theo mã QR ạ";
        qr.dynamicQR = true;
        qr.hotkeySlot = 2;
        store_.append(qr);
    }

    void type(std::string_view text) {
        desktop_.typeText(text);
        desktop_.mainQueue().runReady();
    }

    halvora::testing::TemporaryFolder folder_;
    SimDesktop desktop_;
    platform::Platform platform_;
    snippets::sim::SimPanelHost panels_;
    FakeQRSource source_;
    app::Core core_;
    snippets::SnippetStore& store_;
    KeyboardController& controller_;
    platform::ProcessId chatPid_ = 0;
    platform::sim::SimTextField* chat_ = nullptr;
};

TEST_F(DynamicQRFlowTest, CodePastesTextThenImageIntoTheSameChat) {
    type("Daj ;ck ");
    EXPECT_EQ(chat_->text(), "Dạ ") << "the code is erased, the Space swallowed";
    ASSERT_EQ(source_.requests.size(), 1u);
    EXPECT_EQ(source_.requests[0].memo, "Chuc mung 1")
        << "random memo from the rotation by default";
    EXPECT_TRUE(controller_.qrBusy());
    EXPECT_EQ(controller_.qrStatus(), "Đang tạo QR…");
    EXPECT_FALSE(controller_.qrFailed());

    source_.succeed();
    desktop_.mainQueue().advance(1.0);
    EXPECT_EQ(chat_->text(), "Dạ Anh chuyển khoản giúp em theo mã QR ạ\n");
    ASSERT_EQ(chat_->pastedImages().size(), 1u);
    EXPECT_EQ(chat_->pastedImages()[0], SimImageCodec::encoded({400, 400}, "QR-PAYLOAD"))
        << "the generated PNG reaches the field unchanged";
    EXPECT_FALSE(controller_.qrBusy());
    EXPECT_EQ(controller_.qrStatus(), "Đã dán chữ và ảnh QR mới.");
    EXPECT_FALSE(controller_.qrFailed());
}

TEST_F(DynamicQRFlowTest, DefaultMemoWhenRandomMemoIsOff) {
    desktop_.userDefaults().set("qr.randomMemo", false);
    type(";ck ");
    ASSERT_EQ(source_.requests.size(), 1u);
    EXPECT_EQ(source_.requests[0].memo, "Thanh toan don hang");
    EXPECT_EQ(source_.wishes, 0);
}

TEST_F(DynamicQRFlowTest, KeysClicksAndAppSwitchesCancelAndLateResultsAreDropped) {
    struct Case {
        const char* name;
        std::function<void(DynamicQRFlowTest&)> interrupt;
    };
    const Case cases[] = {
        {"key", [](DynamicQRFlowTest& t) { t.type("x"); }},
        {"click", [](DynamicQRFlowTest& t) { t.desktop_.click(*t.chat_); }},
        {"app switch",
         [](DynamicQRFlowTest& t) {
             const platform::ProcessId other = t.desktop_.launch("Notes", "com.apple.Notes");
             t.desktop_.addField(other);
             t.desktop_.bringToFront(other);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        desktop_.bringToFront(chatPid_);
        source_.requests.clear();
        type(";ck ");
        ASSERT_EQ(source_.requests.size(), 1u);
        c.interrupt(*this);
        EXPECT_FALSE(controller_.qrBusy());
        EXPECT_EQ(controller_.qrStatus(), "Đã hủy QR vì anh tiếp tục gõ hoặc di chuyển con trỏ.");
        EXPECT_TRUE(controller_.qrFailed());

        // The network answers later: nothing is pasted and the status stays.
        const std::size_t imagesBefore = chat_->pastedImages().size();
        source_.succeed();
        desktop_.mainQueue().advance(1.0);
        EXPECT_EQ(chat_->pastedImages().size(), imagesBefore);
        EXPECT_EQ(controller_.qrStatus(), "Đã hủy QR vì anh tiếp tục gõ hoặc di chuyển con trỏ.");
    }
}

TEST_F(DynamicQRFlowTest, ActivatingThisProgramDoesNotCancel) {
    type(";ck ");
    desktop_.activateSelf();
    desktop_.mainQueue().advance(0.1);
    EXPECT_TRUE(controller_.qrBusy());
}

TEST_F(DynamicQRFlowTest, NewGenerationAfterCancelIgnoresTheOldResult) {
    type(";ck ");
    type("x");
    type(" ;ck ");
    ASSERT_EQ(source_.requests.size(), 2u);
    EXPECT_EQ(source_.requests[1].memo, "Chuc mung 2")
        << "the cancelled paste used up its greeting";
    source_.succeed(0);
    EXPECT_EQ(controller_.qrStatus(), "Đang tạo QR…") << "the first generation's result is dropped";
    source_.succeed(1);
    desktop_.mainQueue().advance(1.0);
    EXPECT_EQ(controller_.qrStatus(), "Đã dán chữ và ảnh QR mới.");
}

TEST_F(DynamicQRFlowTest, SecondCodeWhileBusyIsTypedAndChangesNothing) {
    // Pasting has begun (the image is on its way): keys no longer cancel.
    type(";ck ");
    source_.succeed();
    EXPECT_TRUE(controller_.qrBusy());
    type(";ck ");
    EXPECT_EQ(source_.requests.size(), 1u);
    EXPECT_EQ(controller_.qrStatus(), "Đang tạo QR…");
    desktop_.mainQueue().advance(1.0);
    EXPECT_EQ(controller_.qrStatus(), "Đã dán chữ và ảnh QR mới.");
}

TEST_F(DynamicQRFlowTest, FailuresReportTheirMessage) {
    type(";ck ");
    source_.fail("Không kết nối được với máy chủ.");
    EXPECT_FALSE(controller_.qrBusy());
    EXPECT_EQ(controller_.qrStatus(), "Tạo QR lỗi: Không kết nối được với máy chủ.");
    EXPECT_TRUE(controller_.qrFailed());

    // The receiving application changed before the image was ready. A
    // process without a bundle identifier gives no activation to cancel on.
    type(";ck ");
    const platform::ProcessId helper = desktop_.launch("helper", std::nullopt);
    desktop_.addField(helper);
    desktop_.bringToFront(helper);
    EXPECT_TRUE(controller_.qrBusy());
    source_.succeed(1);
    EXPECT_EQ(controller_.qrStatus(), "Đã hủy QR vì ứng dụng nhận đã thay đổi.");
    EXPECT_TRUE(controller_.qrFailed());
    EXPECT_TRUE(chat_->pastedImages().empty());
}

TEST_F(DynamicQRFlowTest, UnconfiguredAccountLeavesTheCodeAndReports) {
    desktop_.userDefaults().removeObject("qr.accountName");
    type(";ck ");
    EXPECT_EQ(chat_->text(), ";ck ");
    EXPECT_TRUE(source_.requests.empty());
    EXPECT_EQ(controller_.qrStatus(), "Nhập tài khoản trong mục QR chuyển khoản trước khi dán.");
    EXPECT_TRUE(controller_.qrFailed());
}

TEST_F(DynamicQRFlowTest, HotkeySlotStartsAGenerationForTheFrontApp) {
    EXPECT_FALSE(desktop_.pressKey(19, flags::option | flags::command));  // number-row 2
    ASSERT_EQ(source_.requests.size(), 1u);
    source_.succeed();
    desktop_.mainQueue().advance(1.0);
    EXPECT_EQ(chat_->pastedImages().size(), 1u);
}

TEST_F(DynamicQRFlowTest, PickerChoiceGeneratesForTheRefocusedChat) {
    app::PickerPresenter& presenter = core_.picker();
    presenter.openPicker(snippets::ReplyPasteTarget::capture(platform_));
    ASSERT_NE(panels_.picker(), nullptr);
    ASSERT_TRUE(panels_.choosePickerResult(0));
    // The chat's activation notice arrives after the generation began; it
    // must not cancel the paste meant for that very chat.
    desktop_.mainQueue().advance(0.2);
    ASSERT_EQ(source_.requests.size(), 1u);
    source_.succeed();
    desktop_.mainQueue().advance(1.0);
    EXPECT_EQ(chat_->text(), "Anh chuyển khoản giúp em theo mã QR ạ\n");
    EXPECT_EQ(chat_->pastedImages().size(), 1u);
    EXPECT_EQ(controller_.qrStatus(), "Đã dán chữ và ảnh QR mới.");
}

TEST_F(DynamicQRFlowTest, WithoutTargetOrWhileBusyBeginDoesNothingMore) {
    snippets::Snippet snippet = *store_.matchingTrigger(";ck");
    controller_.beginDynamicQR(snippet, std::nullopt);
    EXPECT_EQ(controller_.qrStatus(), "Nhập tài khoản trong mục QR chuyển khoản trước khi dán.");
    EXPECT_TRUE(source_.requests.empty());

    controller_.beginDynamicQR(snippet, chatPid_);
    controller_.beginDynamicQR(snippet, chatPid_);
    EXPECT_EQ(source_.requests.size(), 1u) << "a running generation ignores further requests";
}

}  // namespace
}  // namespace halvora::input
