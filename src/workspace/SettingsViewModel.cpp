#include "workspace/SettingsViewModel.h"

#include "platform/DefaultsKeys.h"
#include "workspace/TextMatching.h"

#include <algorithm>

namespace halvora::workspace {

namespace keys = platform::DefaultsKeys;

SettingsViewModel::SettingsViewModel(input::KeyboardController& keyboard,
                                     platform::UserDefaults& defaults,
                                     platform::LoginItems& loginItems)
    : keyboard_(keyboard), defaults_(defaults), loginItems_(loginItems) {}

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
        loginMessage_ = std::string(approvalMessage);
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

void SettingsViewModel::resetMode(std::string_view bundleID) {
    defaults_.removeObject(keys::modeKey(bundleID));
    refreshRememberedModes();
    keyboard_.refreshModeForCurrentApp();
}

}  // namespace halvora::workspace
