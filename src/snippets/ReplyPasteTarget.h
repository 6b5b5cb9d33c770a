#pragma once

#include "platform/Accessibility.h"
#include "platform/Platform.h"
#include "platform/Workspace.h"

#include <optional>

namespace halvora::snippets {

/// Where a paste must land once a panel of this program has taken the focus
/// away from a chat: the application that was in front, the element that had
/// the keyboard focus in it and, where the desktop names windows, the chat's
/// window. Immutable; lives as long as the flow that captured it.
class ReplyPasteTarget {
  public:
    /// How long any accessibility message to the target may take.
    static constexpr double messagingTimeoutSeconds = 0.15;

    ReplyPasteTarget(platform::RunningApplication app, platform::AccessibilityElement field,
                     std::optional<platform::WindowId> window = std::nullopt)
        : app_(std::move(app)), field_(field), window_(window) {}

    /// The frontmost application and its focused element; nothing when no
    /// application is in front, when this program itself is, when the focused
    /// element cannot be read in time, or when it belongs to another process.
    static std::optional<ReplyPasteTarget> capture(const platform::Platform& platform);

    /// Asks for the chat to have the focus again: its window when one was
    /// captured and the desktop takes the request, else its application.
    /// The switch happens asynchronously; `refocusAndVerify` tells when it
    /// has.
    void activate(platform::Workspace& workspace) const;

    /// Whether the captured field has the keyboard focus again: the captured
    /// application must already be in front (this does not activate it; the
    /// caller does and retries), then the field is asked to take the focus and
    /// the focused element is read back and compared. Accessibility failures
    /// answer false.
    bool refocusAndVerify(const platform::Platform& platform) const;

    const platform::RunningApplication& app() const { return app_; }
    platform::ProcessId pid() const { return app_.pid; }
    const platform::AccessibilityElement& field() const { return field_; }
    const std::optional<platform::WindowId>& window() const { return window_; }

    friend bool operator==(const ReplyPasteTarget&, const ReplyPasteTarget&) = default;

  private:
    platform::RunningApplication app_;
    platform::AccessibilityElement field_;
    std::optional<platform::WindowId> window_;
};

}  // namespace halvora::snippets
