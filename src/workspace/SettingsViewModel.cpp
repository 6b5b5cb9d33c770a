#include "workspace/SettingsViewModel.h"

#include "platform/DefaultsKeys.h"
#include "workspace/TextMatching.h"

#include <algorithm>

namespace halvora::workspace {

namespace keys = platform::DefaultsKeys;

SettingsViewModel::SettingsViewModel(input::KeyboardController& keyboard,
                                     platform::UserDefaults& defaults,
                                     platform::LoginItems& loginItems,
                                     const platform::Workspace& workspace,
                                     const platform::DesktopWords& words)
    : keyboard_(keyboard),
      defaults_(defaults),
      loginItems_(loginItems),
      workspace_(workspace),
      words_(words) {}

std::string SettingsViewModel::smartSwitchingNote() const {
    return "Lựa chọn riêng của từng app được giữ lại khi anh đổi bằng " +
           words_.optionCommand("0") + ".";
}

std::string SettingsViewModel::applicationsHint() const {
    return "Đổi bằng " + words_.optionCommand("0") +
           " trong một app để ghi nhớ lựa chọn riêng của app đó.";
}

void SettingsViewModel::setPage(SettingsPage page) {
    page_ = page;
    notify();
}

void SettingsViewModel::appear() {
    page_ = SettingsPage::overview;
    refreshLoginState();
    refreshRememberedModes();
}

void SettingsViewModel::setMethod(engine::InputMethod method) {
    keyboard_.setMethod(method);
    notify();
}

std::string_view SettingsViewModel::methodTitle(engine::InputMethod method) {
    return method == engine::InputMethod::vni ? "VNI" : "Telex";
}

bool SettingsViewModel::modernTone() const {
    return defaults_.boolOr(keys::modernTone, true);
}

void SettingsViewModel::setModernTone(bool modern) {
    keyboard_.setModernTone(modern);
    notify();
}

void SettingsViewModel::setSuggestionsEnabled(bool enabled) {
    keyboard_.setSuggestionsEnabled(enabled);
    notify();
}

bool SettingsViewModel::smartSwitching() const {
    return defaults_.boolOr(keys::smartAppSwitchingEnabled, true);
}

void SettingsViewModel::setSmartSwitching(bool enabled) {
    defaults_.set(keys::smartAppSwitchingEnabled, enabled);
    keyboard_.refreshModeForCurrentApp();
    notify();
}

void SettingsViewModel::setLaunchAtLogin(bool on) {
    const std::optional<platform::PlatformError> error =
        on ? loginItems_.registerLoginItem() : loginItems_.unregisterLoginItem();
    // The toggle shows what the platform now reports, also after a failure.
    refreshLoginState();
    if (error) {
        loginMessage_ = std::string(loginFailurePrefix) + error->localizedDescription;
        notify();
    }
}

void SettingsViewModel::refreshLoginState() {
    const platform::LoginItemStatus status = loginItems_.status();
    launchAtLogin_ = status == platform::LoginItemStatus::enabled ||
                     status == platform::LoginItemStatus::requiresApproval;
    if (status == platform::LoginItemStatus::requiresApproval) {
        loginMessage_ = words_.loginApprovalMessage;
    } else {
        loginMessage_.reset();
    }
    notify();
}

void SettingsViewModel::refreshRememberedModes() {
    std::vector<RememberedMode> modes;
    for (const std::string& key : defaults_.keys()) {
        if (!key.starts_with(keys::modePrefix)) {
            continue;
        }
        if (const std::optional<bool> enabled = defaults_.boolValue(key)) {
            modes.push_back({key.substr(keys::modePrefix.size()), *enabled});
        }
    }
    std::stable_sort(modes.begin(), modes.end(),
                     [](const RememberedMode& a, const RememberedMode& b) {
                         return TextMatching::standardLess(a.bundleID, b.bundleID);
                     });
    rememberedModes_ = std::move(modes);
    notify();
}

std::string SettingsViewModel::rememberedCount() const {
    return std::to_string(rememberedModes_.size()) + " app";
}

std::string_view SettingsViewModel::modeTitle(bool enabled) {
    return enabled ? "Việt" : "Anh";
}

platform::ApplicationLabel SettingsViewModel::applicationLabel(std::string_view bundleID) const {
    std::optional<platform::ApplicationLabel> label = workspace_.applicationLabel(bundleID);
    if (!label || label->name.empty()) {
        return platform::ApplicationLabel{std::string(bundleID), label ? label->icon : ""};
    }
    return std::move(*label);
}

void SettingsViewModel::resetMode(std::string_view bundleID) {
    defaults_.removeObject(keys::modeKey(bundleID));
    refreshRememberedModes();
    keyboard_.refreshModeForCurrentApp();
}

}  // namespace halvora::workspace
