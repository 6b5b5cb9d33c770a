#include "app/AppShell.h"

#include "TemporaryFolder.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimStatusItem.h"
#include "snippets/sim/SimPanelHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace halvora::app {
namespace {

namespace keys = platform::keyCodes;
namespace flags = platform::eventFlags;
using platform::sim::SimDesktop;
using platform::sim::SimStatusItem;

class RecordingShellHost final : public ShellHost {
  public:
    void showWorkspaceWindow() override { ++windowShows; }
    void terminate() override { ++terminations; }

    int windowShows = 0;
    int terminations = 0;
};

class AppShellTest : public ::testing::Test {
  protected:
    AppShellTest() : platform_(desktop_.platform()), panels_(desktop_) {
        chatPid_ = desktop_.launch("Zalo", "com.vng.zalo");
        desktop_.addField(chatPid_);
        desktop_.bringToFront(chatPid_);
    }

    AppShell& launch() {
        shell_ = std::make_unique<AppShell>(platform_, statusItem_, host_, panels_, folder_.path(),
                                            nullptr);
        shell_->didFinishLaunching();
        return *shell_;
    }
    input::KeyboardController& keyboard() { return *shell_->keyboard(); }
    void wait(double seconds) { desktop_.mainQueue().advance(seconds); }
    const std::vector<std::string>& log() { return desktop_.log().messages; }
    bool logged(const std::string& line) {
        return std::find(log().begin(), log().end(), line) != log().end();
    }

    testing::TemporaryFolder folder_;
    SimDesktop desktop_;
    platform::Platform platform_;
    SimStatusItem statusItem_;
    RecordingShellHost host_;
    snippets::sim::SimPanelHost panels_;
    platform::ProcessId chatPid_ = 0;
    std::unique_ptr<AppShell> shell_;
};

TEST_F(AppShellTest, StartsWithoutPermissionAndPollsUntilItIsGranted) {
    desktop_.setTrusted(false);
    launch();

    EXPECT_EQ(desktop_.trustPromptCount(), 1) << "asks the system to show its prompt once";
    EXPECT_FALSE(keyboard().isRunning());
    EXPECT_EQ(statusItem_.menu().title, "Vi");
    ASSERT_TRUE(statusItem_.find("Cần cấp quyền Trợ năng"));
    EXPECT_FALSE(statusItem_.find("Cần cấp quyền Trợ năng")->enabled);
    EXPECT_TRUE(statusItem_.find("Mở quyền Trợ năng…"));
    EXPECT_EQ(log(), (std::vector<std::string>{"Halvora suggestion hotkey registration: 0",
                                               "Halvora picker hotkey registration: 0",
                                               "Halvora startup trusted=0 tap=0"}));

    wait(1.9);
    desktop_.setTrusted(true);
    EXPECT_FALSE(keyboard().isRunning()) << "nothing until the next poll";
    wait(0.2);
    EXPECT_TRUE(keyboard().isRunning());
    EXPECT_FALSE(statusItem_.find("Cần cấp quyền Trợ năng"));
    EXPECT_FALSE(statusItem_.find("Mở quyền Trợ năng…"));

    desktop_.setTrusted(false);
    wait(2.0);
    EXPECT_FALSE(keyboard().isRunning()) << "a revoked permission stops the tap at the next poll";
}

TEST_F(AppShellTest, StartsRunningWhenTrustedAndLogsIt) {
    desktop_.setTrusted(true);
    launch();
    EXPECT_EQ(desktop_.trustPromptCount(), 0);
    EXPECT_TRUE(keyboard().isRunning());
    EXPECT_TRUE(logged("Halvora startup trusted=1 tap=1"));
    EXPECT_EQ(statusItem_.menu().items.front().title, "Chuyển sang tiếng Anh");
}

TEST_F(AppShellTest, WorkspaceWindowOpensAtStartUnlessLaunchedAtLogin) {
    struct Case {
        platform::LoginItemStatus status;
        bool trayAvailable;
        int windowShows;
    };
    const std::vector<Case> cases = {
        {platform::LoginItemStatus::notRegistered, true, 1},
        {platform::LoginItemStatus::requiresApproval, true, 1},
        {platform::LoginItemStatus::enabled, true, 0},
        {platform::LoginItemStatus::enabled, false, 1},
    };
    for (const auto& c : cases) {
        desktop_.loginItems().setStatus(c.status);
        statusItem_.setAvailable(c.trayAvailable);
        host_.windowShows = 0;
        launch();
        EXPECT_EQ(host_.windowShows, c.windowShows)
            << static_cast<int>(c.status) << " tray " << c.trayAvailable;
        shell_.reset();
    }
}

TEST_F(AppShellTest, ConflictingInputMethodPausesAndResumes) {
    desktop_.setTrusted(true);
    launch();
    ASSERT_TRUE(keyboard().isRunning());

    const auto openKey = desktop_.launch("OpenKey", "com.dorvane.openkey");
    EXPECT_FALSE(keyboard().isRunning()) << "stopped at the launch notice, not the next poll";
    EXPECT_EQ(statusItem_.menu().title, "Vi ⏸");
    EXPECT_EQ(statusItem_.menu().toolTip, "Halvora tạm dừng vì OpenKey đang chạy");
    EXPECT_TRUE(statusItem_.find("OpenKey đang chạy — Halvora tạm dừng"));
    EXPECT_FALSE(statusItem_.find("Mở quyền Trợ năng…"));

    wait(2.0);
    EXPECT_FALSE(keyboard().isRunning()) << "the poll does not restart it while OpenKey runs";

    desktop_.terminate(openKey);
    EXPECT_TRUE(keyboard().isRunning());
    EXPECT_EQ(statusItem_.menu().title, "Vi");

    // The other edition is a conflict too; an unrelated launch changes nothing.
    desktop_.launch("Halvora Beta", "com.mirelen.HalvoraBeta");
    EXPECT_EQ(keyboard().conflictingInputApp(), "Halvora Beta");
    const auto shows = statusItem_.showCount();
    desktop_.launch("Notes", "com.example.notes");
    EXPECT_EQ(statusItem_.showCount(), shows);
}

TEST_F(AppShellTest, HotKeysAreRegisteredAndHandled) {
    desktop_.setTrusted(true);
    launch();
    const auto registered = desktop_.hotKeys().registered();
    ASSERT_EQ(registered.size(), 2u);
    EXPECT_EQ(
        registered[0],
        (platform::HotKey{{kHotKeySignature, 1}, keys::semicolon, flags::option | flags::command}));
    EXPECT_EQ(registered[1],
              (platform::HotKey{{kHotKeySignature, 2}, keys::k, flags::option | flags::command}));

    EXPECT_FALSE(shell_->handleHotKey({0x41424344, 2})) << "another signature";
    EXPECT_FALSE(shell_->handleHotKey({kHotKeySignature, 3}));
    EXPECT_FALSE(shell_->handleHotKey({kHotKeySignature, 1})) << "no suggestion on offer";

    // A typo in the chat, then the global hot key takes the suggestion.
    desktop_.typeText("mwois ");
    wait(0);
    ASSERT_TRUE(keyboard().suggestion());
    EXPECT_EQ(statusItem_.menu().title, "Vi → mới?");
    EXPECT_TRUE(desktop_.hotKeys().press(keys::semicolon, flags::option | flags::command));
    wait(0.05);
    EXPECT_EQ(desktop_.focusedField()->text(), "mới ");

    // The picker hot key captures the chat and opens the picker.
    EXPECT_TRUE(desktop_.hotKeys().press(keys::k, flags::option | flags::command));
    wait(0);
    ASSERT_NE(shell_->pickerPresenter()->pickerPanel(), nullptr);
    EXPECT_TRUE(keyboard().pickerOpen());
}

TEST_F(AppShellTest, HotKeyFailuresAreOnlyLogged) {
    desktop_.hotKeys().setHandlerStatus(-50);
    launch();
    EXPECT_TRUE(logged("Halvora suggestion hotkey handler failed: -50"));
    EXPECT_TRUE(desktop_.hotKeys().registered().empty()) << "nothing registered without a handler";
    shell_.reset();
    desktop_.log().messages.clear();

    desktop_.hotKeys().setHandlerStatus(0);
    desktop_.hotKeys().setRegistrationStatus(-9878);
    launch();
    EXPECT_TRUE(logged("Halvora suggestion hotkey registration: -9878"));
    EXPECT_TRUE(logged("Halvora picker hotkey registration: -9878"));
}

TEST_F(AppShellTest, MenuActions) {
    desktop_.setTrusted(true);
    launch();
    const auto notes = desktop_.launch("Notes", "com.example.notes");
    desktop_.addField(notes);
    desktop_.bringToFront(notes);
    desktop_.bringToFront(chatPid_);

    ASSERT_TRUE(statusItem_.choose("Chuyển sang tiếng Anh"));
    EXPECT_FALSE(keyboard().enabled());
    EXPECT_EQ(statusItem_.menu().title, "En");
    EXPECT_EQ(desktop_.userDefaults().boolOr("mode.com.vng.zalo", true), false)
        << "remembered for the application in front";
    ASSERT_TRUE(statusItem_.choose("Chuyển sang tiếng Việt"));
    EXPECT_TRUE(keyboard().enabled());

    host_.windowShows = 0;
    ASSERT_TRUE(statusItem_.choose("Cài đặt…"));
    EXPECT_EQ(shell_->navigation().page(), snippets::WorkspacePage::settings);
    ASSERT_TRUE(statusItem_.choose("Công cụ văn bản…"));
    EXPECT_EQ(shell_->navigation().page(), snippets::WorkspacePage::textTools);
    EXPECT_EQ(host_.windowShows, 2);
    EXPECT_TRUE(shell_->shouldHandleReopen());
    EXPECT_EQ(host_.windowShows, 3);

    ASSERT_TRUE(statusItem_.choose("Tìm và dán mẫu…"));
    wait(0);
    EXPECT_NE(shell_->pickerPresenter()->pickerPanel(), nullptr);
}

TEST_F(AppShellTest, PickerWithoutAChatExplainsWhy) {
    desktop_.setTrusted(true);
    launch();
    desktop_.terminate(chatPid_);  // nothing in front
    ASSERT_TRUE(statusItem_.choose("Tìm và dán mẫu…"));
    EXPECT_TRUE(desktop_.alerts().shown().empty()) << "the picker opens on the main queue";
    wait(0);
    ASSERT_EQ(desktop_.alerts().shown().size(), 1u);
    EXPECT_EQ(desktop_.alerts().shown()[0].message, "Chọn ô chat trước khi mở bảng mẫu");
    EXPECT_EQ(shell_->pickerPresenter()->pickerPanel(), nullptr);
}

TEST_F(AppShellTest, AccessibilityItemOpensTheConfiguredPage) {
    desktop_.setTrusted(false);
    launch();
    ASSERT_TRUE(statusItem_.choose("Mở quyền Trợ năng…"));
    shell_->setAccessibilityHelpUrl("https://example.org/help#input-method");
    ASSERT_TRUE(statusItem_.choose("Mở quyền Trợ năng…"));
    EXPECT_EQ(desktop_.openedUrls(),
              (std::vector<std::string>{kAccessibilitySettingsUrl,
                                        "https://example.org/help#input-method"}));
    EXPECT_FALSE(statusItem_.choose("Cần cấp quyền Trợ năng")) << "the header cannot be chosen";
}

TEST_F(AppShellTest, QuitAsksFirst) {
    desktop_.setTrusted(true);
    launch();
    desktop_.alerts().scriptAnswer(0);
    ASSERT_TRUE(statusItem_.choose("Thoát"));
    ASSERT_EQ(desktop_.alerts().shown().size(), 1u);
    const auto& alert = desktop_.alerts().shown()[0];
    EXPECT_EQ(alert.message, "Thoát Halvora?");
    EXPECT_EQ(alert.informativeText, "Bộ gõ và các phím tắt của Halvora sẽ ngừng hoạt động.");
    EXPECT_EQ(alert.buttons, (std::vector<std::string>{"Hủy", "Thoát"}));
    EXPECT_EQ(host_.terminations, 0) << "cancel leaves everything running";
    EXPECT_TRUE(keyboard().isRunning());

    desktop_.alerts().scriptAnswer(1);
    ASSERT_TRUE(statusItem_.choose("Thoát"));
    EXPECT_EQ(host_.terminations, 1);
}

TEST_F(AppShellTest, TerminationEndsPollObserversAndHotKeys) {
    desktop_.setTrusted(false);
    launch();
    ASSERT_EQ(desktop_.hotKeys().handlerCount(), 1u);
    shell_->willTerminate();
    EXPECT_TRUE(desktop_.hotKeys().registered().empty());
    EXPECT_EQ(desktop_.hotKeys().handlerCount(), 0u);

    desktop_.setTrusted(true);
    wait(4.0);
    EXPECT_FALSE(keyboard().isRunning()) << "the poll no longer runs";
    desktop_.launch("OpenKey", "com.dorvane.openkey");
    EXPECT_FALSE(keyboard().conflictingInputApp()) << "no longer observing launches";
    shell_->willTerminate();  // a second call is harmless
}

TEST_F(AppShellTest, QRFailureStatusStaysInTheMenuUntilItChanges) {
    desktop_.setTrusted(true);
    launch();
    keyboard().setQRStatus("Không tạo được mã QR", true);
    EXPECT_EQ(statusItem_.menu().title, "QR !");
    ASSERT_TRUE(statusItem_.find("Không tạo được mã QR"));
    EXPECT_FALSE(statusItem_.find("Không tạo được mã QR")->enabled);
    EXPECT_TRUE(statusItem_.menu().items[1].separator);

    keyboard().setQRStatus("Đã dán QR", false);
    EXPECT_EQ(statusItem_.menu().title, "Vi");
    EXPECT_FALSE(statusItem_.find("Đã dán QR"));
}

TEST_F(AppShellTest, LegacyQRSnippetIsEnabledOnlyWhenTheProfileIsConfigured) {
    {
        platform::RecordingLog log;
        snippets::SnippetStore seed(folder_.path(), log);
        snippets::Snippet vcbq;
        vcbq.trigger = ";vcbq";
        vcbq.title = "Chuyển khoản";
        seed.append(vcbq);
        seed.saveNow();
    }
    launch();
    // Without content the snippet expands to nothing: look at the list itself.
    ASSERT_EQ(shell_->store().snippets().size(), 1u);
    EXPECT_FALSE(shell_->store().snippets().front().dynamicQR.has_value()) << "no account yet";
    shell_.reset();

    desktop_.userDefaults().set("qr.bankID", std::string("970436"));
    desktop_.userDefaults().set("qr.accountNumber", std::string("0123456789"));
    desktop_.userDefaults().set("qr.accountName", std::string("NGUYEN VAN A"));
    launch();
    ASSERT_TRUE(shell_->store().matchingTrigger(";vcbq").has_value());
    EXPECT_EQ(shell_->store().matchingTrigger(";vcbq")->dynamicQR, true);
}

}  // namespace
}  // namespace halvora::app
