#pragma once

#include "platform/KeystrokeSource.h"

namespace halvora::platform {

/// The keystroke side of a desktop where nothing carries keys to this
/// program yet: never trusted, no tap, nothing posted, no focused element,
/// no frontmost application. The shell then keeps the keyboard controller
/// stopped and says the keys are not reaching it, while everything that needs
/// no keystrokes (the workspace window, the panels, the status item) works.
class UnconnectedKeystrokeSource final : public KeystrokeSource {
  public:
    std::unique_ptr<InstalledTap> install(Callback) override { return nullptr; }

    bool answerKey(std::span<const TextEdit>, bool pass) override { return pass; }
    bool perform(std::span<const TextEdit>) override { return false; }

    bool isSecureInputEnabled() const override { return false; }
    EventFlags modifierFlags() const override { return 0; }

    bool isProcessTrusted() const override { return false; }
    bool promptForTrust() override { return false; }
    std::optional<AccessibilityElement> focusedElement(double) override { return std::nullopt; }
    ElementAttributes attributes(const AccessibilityElement&, double) override { return {}; }
    bool setFocused(const AccessibilityElement&, double) override { return false; }

    std::optional<RunningApplication> frontmostApplication() const override { return std::nullopt; }
    bool activate(ProcessId) override { return false; }
    Registration onActivate(Workspace::ApplicationHandler) override { return {}; }
};

}  // namespace halvora::platform
