#pragma once

// The program's application delegate: it creates the long-lived objects,
// shows the state of the input method in the status item, registers the two
// global hot keys, polls for the keystroke permission and for conflicting
// input methods, opens the workspace window and the snippet picker, and asks
// before quitting. Main queue only; no display needed.

#include "app/Core.h"
#include "app/PickerPresenter.h"
#include "app/ShellHost.h"
#include "input/DynamicQRSource.h"
#include "input/KeyboardController.h"
#include "platform/HotKeys.h"
#include "platform/Platform.h"
#include "platform/Registration.h"
#include "platform/StatusItem.h"
#include "snippets/PanelHost.h"
#include "snippets/SnippetStore.h"
#include "snippets/WorkspaceNavigation.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace halvora::app {

/// The menu's actions, as carried in `platform::MenuItem::action`.
enum class MenuAction : int {
    none = 0,
    toggleMode,
    openPickerFromMenu,
    openTextTools,
    openPreferences,
    openAccessibility,
    quit,
};

/// What the status title and menu are built from.
struct StatusSnapshot {
    bool isRunning = false;
    bool enabled = true;
    std::optional<std::string> conflictingInputApp{};
    bool qrBusy = false;
    bool qrFailed = false;
    std::optional<std::string> qrStatus{};
    /// The replacement of the suggestion on offer.
    std::optional<std::string> suggestionReplacement{};

    bool operator==(const StatusSnapshot&) const = default;

    static StatusSnapshot of(const input::KeyboardController& keyboard);
};

/// The status title, tooltip and menu for a state, in the desktop's words: a
/// pure function.
platform::StatusMenu buildStatusMenu(const StatusSnapshot& state,
                                     const platform::DesktopWords& words);

/// The global hot keys: Option+Command+; (key code 41) accepts the typo
/// suggestion, Option+Command+K (key code 40) opens the picker. Signature
/// "HLVR".
inline constexpr std::uint32_t kHotKeySignature = 0x484C5652;
inline constexpr std::uint32_t kSuggestionHotKeyId = 1;
inline constexpr std::uint32_t kPickerHotKeyId = 2;

/// Bundle identifiers of input methods that cannot run beside this one.
inline constexpr const char* kOpenKeyBundleId = "com.dorvane.openkey";
inline constexpr const char* kHalvoraBetaBundleId = "com.mirelen.HalvoraBeta";

/// The URL the menu's way to the keystroke permission opens on the Mac.
inline constexpr const char* kAccessibilitySettingsUrl =
    "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility";

class AppShell {
  public:
    /// `dataFolder` is the snippet store's folder. `qrSource` may be null.
    /// The core is assembled here; nothing runs until `didFinishLaunching`.
    AppShell(platform::Platform& platform, platform::StatusItem& statusItem, ShellHost& host,
             snippets::PanelHost& panels, std::filesystem::path dataFolder,
             input::DynamicQRSource* qrSource);
    ~AppShell();
    AppShell(const AppShell&) = delete;
    AppShell& operator=(const AppShell&) = delete;

    /// Start-up, in order: status item, QR profile and the legacy QR
    /// snippet, the keyboard controller, hot keys, the availability check,
    /// the permission prompt, the start-up log line, the 2-second poll, the
    /// launch/terminate observers, and the workspace window when the program
    /// is not a login item (or the desktop has no status area).
    void didFinishLaunching();
    /// Clean-up at the end: the poll, the observers, the hot keys. Runs once;
    /// the destructor runs it when nobody did.
    void willTerminate();
    /// The program was opened again while running: shows the workspace
    /// window. Answers true.
    bool shouldHandleReopen();

    // Menu actions.
    void toggleMode();
    void openPickerFromMenu();
    void openPickerFromHotkey();
    void openTextTools();
    void openPreferences();
    void openAccessibility();
    /// Asks "Thoát Halvora?"; ends the program when the user says so.
    void quit();
    /// Runs the action of a menu item.
    void perform(MenuAction action);

    void rebuildMenu();
    void refreshKeyboardAvailability();
    void openSettings();
    void registerSuggestionHotKey();
    /// The hot-key handler's decision: true when the hot key was handled.
    bool handleHotKey(const platform::HotKeyId& id);

    /// Where the menu's way to the keystroke permission leads; each desktop
    /// points it at its own permission settings or help page.
    void setAccessibilityHelpUrl(std::string url) { accessibilityUrl_ = std::move(url); }

    /// The menu last shown (empty before start-up).
    const platform::StatusMenu& currentMenu() const { return menu_; }

    snippets::SnippetStore& store() { return core_.store(); }
    snippets::WorkspaceNavigation& navigation() { return core_.navigation(); }
    /// Null before start-up.
    input::KeyboardController* keyboard() { return keyboard_; }
    PickerPresenter* pickerPresenter() { return picker_; }
    bool settingsWindowShown() const { return settingsWindowShown_; }

  private:
    void inputMethodAppChanged(const platform::RunningApplication& app);

    platform::Platform& platform_;
    platform::StatusItem& statusItem_;
    ShellHost& host_;
    Core core_;
    /// The core's, from start-up on.
    input::KeyboardController* keyboard_ = nullptr;
    PickerPresenter* picker_ = nullptr;
    util::Connection keyboardChanges_;
    std::string accessibilityUrl_ = kAccessibilitySettingsUrl;
    bool statusItemCreated_ = false;
    bool terminated_ = false;
    bool settingsWindowShown_ = false;
    platform::StatusMenu menu_;
    platform::Registration permissionTimer_;
    platform::Registration launchObserver_;
    platform::Registration terminateObserver_;
    platform::Registration suggestionHandler_;
    platform::Registration suggestionHotKey_;
    platform::Registration pickerHotKey_;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace halvora::app
