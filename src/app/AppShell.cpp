#include "app/AppShell.h"

#include "qr/DynamicQRProfile.h"
#include "snippets/ReplyPasteTarget.h"

#include <string_view>

namespace halvora::app {

namespace {

constexpr platform::EventFlags kOptionCommand =
    platform::eventFlags::option | platform::eventFlags::command;

constexpr platform::KeyCode kSemicolonKeyCode = 41;
constexpr platform::KeyCode kKKeyCode = 40;

constexpr double kPollIntervalSeconds = 2.0;

platform::MenuItem item(std::string title, MenuAction action, std::string keyEquivalent = {},
                        platform::EventFlags modifiers = 0) {
    return platform::MenuItem{false,     std::move(title),        true, std::move(keyEquivalent),
                              modifiers, static_cast<int>(action)};
}

platform::MenuItem disabledItem(std::string title) {
    return platform::MenuItem{
        false, std::move(title), false, {}, 0, static_cast<int>(MenuAction::none)};
}

std::string statusTitle(const StatusSnapshot& state) {
    if (state.conflictingInputApp) {
        return "Vi ⏸";
    }
    if (state.qrBusy) {
        return "QR…";
    }
    if (state.qrFailed) {
        return "QR !";
    }
    if (state.suggestionReplacement) {
        return "Vi → " + *state.suggestionReplacement + "?";
    }
    return state.enabled ? "Vi" : "En";
}

std::string statusToolTip(const StatusSnapshot& state, const platform::DesktopWords& words) {
    if (state.conflictingInputApp) {
        return "Halvora tạm dừng vì " + *state.conflictingInputApp + " đang chạy";
    }
    if (state.suggestionReplacement) {
        return "Nhấn " + words.optionCommand(";") + " để dùng gợi ý sửa lỗi vừa hiện";
    }
    return "Halvora Independent Beta";
}

std::string conflictName(const std::vector<platform::RunningApplication>& running) {
    const auto isRunning = [&](std::string_view bundleId) {
        for (const auto& app : running) {
            if (app.bundleIdentifier == bundleId) {
                return true;
            }
        }
        return false;
    };
    if (isRunning(kOpenKeyBundleId)) {
        return "OpenKey";
    }
    if (isRunning(kHalvoraBetaBundleId)) {
        return "Halvora Beta";
    }
    return {};
}

}  // namespace

StatusSnapshot StatusSnapshot::of(const input::KeyboardController& keyboard) {
    StatusSnapshot state;
    state.isRunning = keyboard.isRunning();
    state.enabled = keyboard.enabled();
    state.conflictingInputApp = keyboard.conflictingInputApp();
    state.qrBusy = keyboard.qrBusy();
    state.qrFailed = keyboard.qrFailed();
    state.qrStatus = keyboard.qrStatus();
    if (const auto& suggestion = keyboard.suggestion()) {
        state.suggestionReplacement = suggestion->replacement;
    }
    return state;
}

platform::StatusMenu buildStatusMenu(const StatusSnapshot& state,
                                     const platform::DesktopWords& words) {
    platform::StatusMenu menu;
    menu.title = statusTitle(state);
    menu.toolTip = statusToolTip(state, words);

    auto& items = menu.items;
    if (!state.isRunning) {
        items.push_back(disabledItem(state.conflictingInputApp ? *state.conflictingInputApp +
                                                                     " đang chạy — Halvora tạm dừng"
                                                               : words.keystrokesUnavailableTitle));
    }
    if (state.qrFailed && state.qrStatus) {
        items.push_back(disabledItem(*state.qrStatus));
    }
    if (!state.isRunning || state.qrFailed) {
        items.push_back(platform::MenuItem::makeSeparator());
    }
    items.push_back(item(state.enabled ? "Chuyển sang tiếng Anh" : "Chuyển sang tiếng Việt",
                         MenuAction::toggleMode, "0", kOptionCommand));
    items.push_back(platform::MenuItem::makeSeparator());
    items.push_back(item("Tìm và dán mẫu…", MenuAction::openPickerFromMenu, "k", kOptionCommand));
    items.push_back(item("Công cụ văn bản…", MenuAction::openTextTools));
    items.push_back(platform::MenuItem::makeSeparator());
    items.push_back(item("Cài đặt…", MenuAction::openPreferences));
    if (!state.isRunning && !state.conflictingInputApp) {
        items.push_back(item(words.openKeystrokesHelpTitle, MenuAction::openAccessibility));
    }
    items.push_back(item("Thoát", MenuAction::quit));
    return menu;
}

AppShell::AppShell(platform::Platform& platform, platform::StatusItem& statusItem, ShellHost& host,
                   snippets::PanelHost& panels, std::filesystem::path dataFolder,
                   input::DynamicQRSource* qrSource)
    : platform_(platform),
      statusItem_(statusItem),
      host_(host),
      core_(platform, panels, std::move(dataFolder), qrSource) {}

AppShell::~AppShell() {
    willTerminate();
    // The core goes after this: the controller stops its tap when it goes,
    // with no menu left to rebuild.
    keyboardChanges_.cancel();
    lifetime_.reset();
}

void AppShell::didFinishLaunching() {
    if (keyboard_) {
        return;
    }
    statusItemCreated_ = true;

    const auto profile = qr::DynamicQRProfile::load(platform_.userDefaults);
    core_.store().enableLegacyVCBQIfConfigured(profile);

    std::weak_ptr<int> alive = lifetime_;
    keyboard_ = &core_.keyboard();
    keyboardChanges_ = keyboard_->observeChanges([this, alive] {
        if (alive.lock()) {
            rebuildMenu();
        }
    });
    picker_ = &core_.picker();

    registerSuggestionHotKey();
    refreshKeyboardAvailability();

    bool trusted = platform_.accessibility.isProcessTrusted();
    if (!trusted) {
        trusted = platform_.accessibility.promptForTrust();
        rebuildMenu();
    }
    platform_.log.message("Halvora startup trusted=" + std::to_string(trusted ? 1 : 0) +
                          " tap=" + std::to_string(keyboard_->isRunning() ? 1 : 0));

    permissionTimer_ = platform_.mainQueue.scheduleRepeating(kPollIntervalSeconds, [this, alive] {
        if (alive.lock()) {
            refreshKeyboardAvailability();
        }
    });
    const auto observer = [this, alive](const platform::RunningApplication& app) {
        if (alive.lock()) {
            inputMethodAppChanged(app);
        }
    };
    launchObserver_ = platform_.workspace.onLaunch(observer);
    terminateObserver_ = platform_.workspace.onTerminate(observer);

    // Without a status area the window is the only way in, so it opens even
    // for a login item.
    if (platform_.loginItems.status() != platform::LoginItemStatus::enabled ||
        !statusItem_.isAvailable()) {
        openSettings();
    }
}

void AppShell::willTerminate() {
    if (terminated_ || !keyboard_) {
        return;
    }
    terminated_ = true;
    permissionTimer_.cancel();
    launchObserver_.cancel();
    terminateObserver_.cancel();
    suggestionHotKey_.cancel();
    pickerHotKey_.cancel();
    suggestionHandler_.cancel();
}

bool AppShell::shouldHandleReopen() {
    openSettings();
    return true;
}

// ---------------------------------------------------------------- menu

void AppShell::rebuildMenu() {
    if (!statusItemCreated_ || !keyboard_) {
        return;
    }
    menu_ = buildStatusMenu(StatusSnapshot::of(*keyboard_), platform_.words);
    std::weak_ptr<int> alive = lifetime_;
    statusItem_.show(menu_, [this, alive](int action) {
        if (alive.lock()) {
            perform(static_cast<MenuAction>(action));
        }
    });
}

void AppShell::perform(MenuAction action) {
    switch (action) {
        case MenuAction::none:
            break;
        case MenuAction::toggleMode:
            toggleMode();
            break;
        case MenuAction::openPickerFromMenu:
            openPickerFromMenu();
            break;
        case MenuAction::openTextTools:
            openTextTools();
            break;
        case MenuAction::openPreferences:
            openPreferences();
            break;
        case MenuAction::openAccessibility:
            openAccessibility();
            break;
        case MenuAction::quit:
            quit();
            break;
    }
}

void AppShell::toggleMode() {
    if (keyboard_) {
        keyboard_->setModeManually(!keyboard_->enabled());
    }
}

void AppShell::openPickerFromMenu() {
    // The chat is still in front now; once the picker is up it no longer is.
    auto target = snippets::ReplyPasteTarget::capture(platform_);
    std::weak_ptr<int> alive = lifetime_;
    platform_.mainQueue.async([this, alive, target = std::move(target)] {
        if (alive.lock() && picker_) {
            picker_->openPicker(target);
        }
    });
}

void AppShell::openPickerFromHotkey() {
    openPickerFromMenu();
}

void AppShell::openTextTools() {
    core_.navigation().setPage(snippets::WorkspacePage::textTools);
    openSettings();
}

void AppShell::openPreferences() {
    core_.navigation().setPage(snippets::WorkspacePage::settings);
    openSettings();
}

void AppShell::openAccessibility() {
    if (!platform_.workspace.openUrl(accessibilityUrl_)) {
        platform_.log.message("Halvora could not open " + accessibilityUrl_);
    }
}

void AppShell::quit() {
    platform_.workspace.activateSelf();
    const platform::Alert alert{"Thoát Halvora?",
                                "Bộ gõ và các phím tắt của Halvora sẽ ngừng hoạt động.",
                                {"Hủy", "Thoát"},
                                platform::AlertStyle::informational};
    if (platform_.alerts.runModal(alert) == 1) {
        host_.terminate();
    }
}

void AppShell::openSettings() {
    settingsWindowShown_ = true;
    host_.showWorkspaceWindow();
}

// ---------------------------------------------------------------- hot keys

void AppShell::registerSuggestionHotKey() {
    std::weak_ptr<int> alive = lifetime_;
    auto handler = platform_.hotKeys.installHandler(
        [this, alive](const platform::HotKeyId& id) { return alive.lock() && handleHotKey(id); });
    if (!handler.succeeded()) {
        platform_.log.message("Halvora suggestion hotkey handler failed: " +
                              std::to_string(handler.status));
        return;
    }
    suggestionHandler_ = std::move(handler.registration);

    auto suggestion = platform_.hotKeys.registerHotKey(
        {{kHotKeySignature, kSuggestionHotKeyId}, kSemicolonKeyCode, kOptionCommand});
    suggestionHotKey_ = std::move(suggestion.registration);
    platform_.log.message("Halvora suggestion hotkey registration: " +
                          std::to_string(suggestion.status));

    auto picker = platform_.hotKeys.registerHotKey(
        {{kHotKeySignature, kPickerHotKeyId}, kKKeyCode, kOptionCommand});
    pickerHotKey_ = std::move(picker.registration);
    platform_.log.message("Halvora picker hotkey registration: " + std::to_string(picker.status));
}

bool AppShell::handleHotKey(const platform::HotKeyId& id) {
    if (id.signature != kHotKeySignature) {
        return false;
    }
    switch (id.id) {
        case kPickerHotKeyId:
            openPickerFromHotkey();
            return true;
        case kSuggestionHotKeyId:
            return keyboard_ && keyboard_->acceptSuggestion();
        default:
            return false;
    }
}

// ---------------------------------------------------------------- availability

void AppShell::refreshKeyboardAvailability() {
    if (!keyboard_) {
        return;
    }
    const std::string conflict = conflictName(platform_.workspace.runningApplications());
    keyboard_->setConflictingInputApp(conflict.empty() ? std::nullopt
                                                       : std::optional<std::string>(conflict));
    const bool trusted = platform_.accessibility.isProcessTrusted();
    if (conflict.empty() && trusted && !keyboard_->isRunning()) {
        keyboard_->start();
    }
    if (!trusted && keyboard_->isRunning()) {
        keyboard_->stop();
    }
    rebuildMenu();
}

void AppShell::inputMethodAppChanged(const platform::RunningApplication& app) {
    const std::string bundleId = app.bundleIdentifier.value_or("");
    if (bundleId == kOpenKeyBundleId || bundleId == kHalvoraBetaBundleId) {
        refreshKeyboardAvailability();
    }
}

}  // namespace halvora::app
