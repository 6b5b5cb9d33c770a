#pragma once

// The settings page: the keystroke convention, the tone rule, typo
// suggestions, automatic Vietnamese/English switching with the applications
// that have a remembered mode, and launch at login. Every setting lives in
// the keyboard controller or the user defaults; the page only shows and
// changes it, so a change applies from the next keystroke.

#include "engine/InputMethod.h"
#include "input/KeyboardController.h"
#include "platform/DesktopWords.h"
#include "platform/LoginItems.h"
#include "platform/UserDefaults.h"
#include "platform/Workspace.h"
#include "util/Signal.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::workspace {

enum class SettingsPage { overview, backup, about, applications };

/// An application whose Vietnamese/English mode is remembered.
struct RememberedMode {
    std::string bundleID;
    /// True: Vietnamese.
    bool enabled = false;

    friend bool operator==(const RememberedMode&, const RememberedMode&) = default;
};

class SettingsViewModel {
  public:
    static constexpr std::string_view title = "Cài đặt";
    static constexpr std::string_view subtitle = "Những lựa chọn thường dùng của Halvora.";
    static constexpr std::string_view methodLabel = "Kiểu gõ";
    static constexpr std::string_view toneLabel = "Vị trí đặt dấu";
    static constexpr std::string_view toneExample = "Hoà / hòa, khoẻ / khỏe";
    static constexpr std::string_view modernToneTitle = "Kiểu mới";
    static constexpr std::string_view oldToneTitle = "Kiểu cũ";
    static constexpr std::string_view suggestionsTitle = "Gợi ý sửa lỗi gõ nhầm";
    static constexpr std::string_view smartSwitchingTitle = "Tự chọn Việt / Anh khi đổi ứng dụng";
    static constexpr std::string_view showApplicationsTitle = "Xem ứng dụng";
    static constexpr std::string_view backupLinkTitle = "Sao lưu & khôi phục";
    static constexpr std::string_view aboutLinkTitle = "Giới thiệu";
    static constexpr std::string_view subPageBackTitle = "‹ Cài đặt";

    static constexpr std::string_view applicationsBackTitle = "Cài đặt";
    static constexpr std::string_view applicationsTitle = "Theo ứng dụng";
    static constexpr std::string_view applicationsLine =
        "Halvora tự chọn chế độ khi anh chuyển sang app khác.";
    static constexpr std::string_view applicationsRule =
        "Trình duyệt, Word và Notes mặc định là tiếng Việt. Terminal, VS Code, Xcode và game mặc "
        "định là tiếng Anh.";
    static constexpr std::string_view rememberedHeading = "Ứng dụng đã chọn riêng";
    static constexpr std::string_view noRememberedModes =
        "Chưa có lựa chọn riêng. Các app sẽ dùng quy tắc mặc định ở trên.";
    static constexpr std::string_view resetTitle = "Đặt lại";

    static constexpr std::string_view loginFailurePrefix = "Không đổi được mục khởi động: ";

    SettingsViewModel(input::KeyboardController& keyboard, platform::UserDefaults& defaults,
                      platform::LoginItems& loginItems, const platform::Workspace& workspace,
                      const platform::DesktopWords& words);
    SettingsViewModel(const SettingsViewModel&) = delete;
    SettingsViewModel& operator=(const SettingsViewModel&) = delete;

    // The texts that name the desktop's shortcuts and login items.
    std::string smartSwitchingNote() const;
    const std::string& launchAtLoginTitle() const { return words_.launchAtLoginTitle; }
    std::string applicationsHint() const;

    SettingsPage page() const { return page_; }
    void setPage(SettingsPage page);

    /// The page was opened (from the menu or the sidebar): it starts at its
    /// overview, whatever sub-page was left open, and the login state and the
    /// remembered modes are read again.
    void appear();

    engine::InputMethod method() const { return keyboard_.method(); }
    void setMethod(engine::InputMethod method);
    /// "Telex" or "VNI".
    static std::string_view methodTitle(engine::InputMethod method);

    /// "modernTone", true when absent.
    bool modernTone() const;
    /// Handed to the controller, which stores it and uses it from the next
    /// keystroke.
    void setModernTone(bool modern);

    bool suggestionsEnabled() const { return keyboard_.suggestionsEnabled(); }
    void setSuggestionsEnabled(bool enabled);

    /// "smartAppSwitchingEnabled", true when absent.
    bool smartSwitching() const;
    /// Stores it and applies the mode of the application in front again.
    void setSmartSwitching(bool enabled);

    bool launchAtLogin() const { return launchAtLogin_; }
    const std::optional<std::string>& loginMessage() const { return loginMessage_; }
    /// Registers or unregisters the login item, then shows its real status
    /// (and the platform's error when that failed).
    void setLaunchAtLogin(bool on);
    void refreshLoginState();

    const std::vector<RememberedMode>& rememberedModes() const { return rememberedModes_; }
    /// The Boolean "mode.<bundle id>" entries, sorted by bundle identifier.
    void refreshRememberedModes();
    /// N + " app".
    std::string rememberedCount() const;
    /// "Việt" or "Anh".
    static std::string_view modeTitle(bool enabled);
    /// How a remembered application is shown: the name and icon the
    /// desktop gives it, or its identifier (and no icon) when the desktop
    /// does not know it.
    platform::ApplicationLabel applicationLabel(std::string_view bundleID) const;
    /// "Đặt lại": forgets the application's mode and applies the rules again.
    void resetMode(std::string_view bundleID);

    /// Called after any change of what the page shows. Changes made through
    /// the controller elsewhere are announced by the controller itself.
    [[nodiscard]] util::Connection observe(std::function<void()> onChange) {
        return changed_.connect(std::move(onChange));
    }

  private:
    void notify() { changed_.emit(); }

    input::KeyboardController& keyboard_;
    platform::UserDefaults& defaults_;
    platform::LoginItems& loginItems_;
    const platform::Workspace& workspace_;
    const platform::DesktopWords& words_;
    SettingsPage page_ = SettingsPage::overview;
    bool launchAtLogin_ = false;
    std::optional<std::string> loginMessage_;
    std::vector<RememberedMode> rememberedModes_;
    util::Signal<> changed_;
};

}  // namespace halvora::workspace
