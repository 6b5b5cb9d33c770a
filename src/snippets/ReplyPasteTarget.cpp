#include "snippets/ReplyPasteTarget.h"

namespace halvora::snippets {

std::optional<ReplyPasteTarget> ReplyPasteTarget::capture(const platform::Platform& platform) {
    auto app = platform.workspace.frontmostApplication();
    if (!app || app->pid == platform.workspace.currentProcessId()) {
        return std::nullopt;
    }
    const auto field = platform.accessibility.focusedElement(messagingTimeoutSeconds);
    if (!field || field->pid != app->pid) {
        return std::nullopt;
    }
    // Read while the chat still has the focus: once a panel is up, the
    // window manager may hand it to any window of this program when the
    // panel closes, and only the window tells the chat apart.
    return ReplyPasteTarget(std::move(*app), *field, platform.workspace.activeWindow());
}

void ReplyPasteTarget::activate(platform::Workspace& workspace) const {
    if (window_ && workspace.activateWindow(*window_)) {
        return;
    }
    workspace.activate(app_.pid);
}

bool ReplyPasteTarget::refocusAndVerify(const platform::Platform& platform) const {
    const auto front = platform.workspace.frontmostApplication();
    if (!front || front->pid != app_.pid) {
        return false;
    }
    // The answer does not matter: reading the focus back is the real test.
    platform.accessibility.setFocused(field_, messagingTimeoutSeconds);
    const auto focused = platform.accessibility.focusedElement(messagingTimeoutSeconds);
    return focused && *focused == field_;
}

}  // namespace halvora::snippets
