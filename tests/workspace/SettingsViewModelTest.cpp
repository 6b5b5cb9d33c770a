#include "WorkspaceFixture.h"
#include "workspace/SettingsViewModel.h"

#include <gtest/gtest.h>

namespace halvora::workspace {
namespace {

using platform::LoginItemStatus;

class SettingsViewModelTest : public testing::WorkspaceFixture {
  protected:
    SettingsViewModel model_{keyboard_, desktop_.userDefaults(), desktop_.loginItems(), desktop_,
                             platform_.words};
};

TEST_F(SettingsViewModelTest, RememberedModesAreTheBooleanModeKeysSorted) {
    platform::UserDefaults& defaults = desktop_.userDefaults();
    defaults.set("mode.com.vng.zalo", true);
    defaults.set("mode.app10", false);
    defaults.set("mode.App2", true);
    defaults.set("mode.broken", "yes");
    defaults.set("mode.number", platform::DefaultsValue(std::int64_t{1}));
    defaults.set("modernTone", false);
    defaults.set("other.mode.x", true);
    model_.appear();
    EXPECT_EQ(model_.rememberedModes(), (std::vector<RememberedMode>{
                                            {"App2", true},
                                            {"app10", false},
                                            {"com.vng.zalo", true},
                                        }));
    EXPECT_EQ(model_.rememberedCount(), "3 app");
    EXPECT_EQ(SettingsViewModel::modeTitle(true), "Việt");
    EXPECT_EQ(SettingsViewModel::modeTitle(false), "Anh");
}

TEST_F(SettingsViewModelTest, ResettingForgetsTheModeAndAppliesTheRulesAgain) {
    const platform::ProcessId safari = desktop_.launch("Safari", "com.apple.Safari");
    desktop_.bringToFront(safari);
    desktop_.userDefaults().set("mode.com.apple.Safari", false);
    keyboard_.refreshModeForCurrentApp();
    ASSERT_FALSE(keyboard_.enabled());
    model_.appear();
    ASSERT_EQ(model_.rememberedModes().size(), 1u);

    model_.resetMode("com.apple.Safari");
    EXPECT_FALSE(desktop_.userDefaults().object("mode.com.apple.Safari").has_value());
    EXPECT_TRUE(model_.rememberedModes().empty());
    EXPECT_EQ(model_.rememberedCount(), "0 app");
    EXPECT_TRUE(keyboard_.enabled()) << "a browser is Vietnamese by default";
}

TEST_F(SettingsViewModelTest, LoginState) {
    const struct {
        LoginItemStatus status;
        bool on;
        std::optional<std::string> message;
    } cases[] = {
        {LoginItemStatus::notRegistered, false, std::nullopt},
        {LoginItemStatus::enabled, true, std::nullopt},
        {LoginItemStatus::requiresApproval, true,
         "macOS cần anh cho phép trong System Settings → General → Login Items."},
        {LoginItemStatus::notFound, false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.status));
        desktop_.loginItems().setStatus(c.status);
        model_.appear();
        EXPECT_EQ(model_.launchAtLogin(), c.on);
        EXPECT_EQ(model_.loginMessage(), c.message);
    }
}

TEST_F(SettingsViewModelTest, ChangingLaunchAtLogin) {
    model_.setLaunchAtLogin(true);
    EXPECT_EQ(desktop_.loginItems().status(), LoginItemStatus::enabled);
    EXPECT_TRUE(model_.launchAtLogin());
    EXPECT_EQ(model_.loginMessage(), std::nullopt);

    desktop_.loginItems().failNext(platform::PlatformError{"Không có quyền."});
    model_.setLaunchAtLogin(false);
    EXPECT_TRUE(model_.launchAtLogin()) << "shows the real status";
    EXPECT_EQ(model_.loginMessage(), "Không đổi được mục khởi động: Không có quyền.");

    model_.setLaunchAtLogin(false);
    EXPECT_FALSE(model_.launchAtLogin());
    EXPECT_EQ(model_.loginMessage(), std::nullopt);

    desktop_.loginItems().setRequiresApproval(true);
    model_.setLaunchAtLogin(true);
    EXPECT_TRUE(model_.launchAtLogin());
    EXPECT_EQ(model_.loginMessage(),
              "macOS cần anh cho phép trong System Settings → General → Login Items.");
}

TEST_F(SettingsViewModelTest, TypingOptionsReachTheController) {
    EXPECT_TRUE(model_.modernTone()) << "modern when absent";
    model_.setModernTone(false);
    EXPECT_FALSE(model_.modernTone());
    EXPECT_EQ(desktop_.userDefaults().boolValue("modernTone"), false);
    EXPECT_FALSE(keyboard_.engine().modernTone);

    model_.setMethod(engine::InputMethod::vni);
    EXPECT_EQ(keyboard_.method(), engine::InputMethod::vni);
    EXPECT_EQ(model_.method(), engine::InputMethod::vni);
    EXPECT_EQ(SettingsViewModel::methodTitle(model_.method()), "VNI");

    model_.setSuggestionsEnabled(false);
    EXPECT_FALSE(keyboard_.suggestionsEnabled());
    EXPECT_FALSE(model_.suggestionsEnabled());
    EXPECT_EQ(desktop_.userDefaults().boolValue("suggestionsEnabled"), false);
}

TEST_F(SettingsViewModelTest, TheToneRuleAppliesFromTheNextWord) {
    platform::sim::SimTextField& chat = openChat();
    type("hoaf ");
    EXPECT_EQ(chat.text(), "hoà ");
    model_.setModernTone(false);
    type("hoaf ");
    EXPECT_EQ(chat.text(), "hoà hòa ");
}

TEST_F(SettingsViewModelTest, SmartSwitchingIsStoredAndAppliedAtOnce) {
    const platform::ProcessId terminal = desktop_.launch("Terminal", "com.apple.Terminal");
    desktop_.bringToFront(terminal);
    keyboard_.setEnabled(true);
    EXPECT_TRUE(model_.smartSwitching()) << "on when absent";
    model_.setSmartSwitching(false);
    EXPECT_EQ(desktop_.userDefaults().boolValue("smartAppSwitchingEnabled"), false);
    EXPECT_FALSE(model_.smartSwitching());
    EXPECT_TRUE(keyboard_.enabled()) << "no rule applies while switching is off";
    model_.setSmartSwitching(true);
    EXPECT_FALSE(keyboard_.enabled()) << "Terminal is English by default";
}

TEST_F(SettingsViewModelTest, SubPages) {
    EXPECT_EQ(model_.page(), SettingsPage::overview);
    for (SettingsPage page : {SettingsPage::applications, SettingsPage::backup, SettingsPage::about,
                              SettingsPage::overview}) {
        model_.setPage(page);
        EXPECT_EQ(model_.page(), page);
    }
}

TEST_F(SettingsViewModelTest, EachOpeningStartsAtTheOverview) {
    for (SettingsPage left : {SettingsPage::applications, SettingsPage::backup, SettingsPage::about,
                              SettingsPage::overview}) {
        model_.setPage(left);
        int changes = 0;
        const util::Connection c = model_.observe([&] { ++changes; });
        model_.appear();
        EXPECT_EQ(model_.page(), SettingsPage::overview);
        EXPECT_GE(changes, 1);
    }
}

}  // namespace
}  // namespace halvora::workspace
