#pragma once

#include "platform/Workspace.h"

#include <cstdint>
#include <optional>

struct xcb_connection_t;

namespace halvora::platform::qt {

/// The window the window manager says has the focus, and asking it to give
/// the focus to another, through the EWMH root-window property and client
/// message _NET_ACTIVE_WINDOW. Works with every window manager that follows
/// EWMH (all common ones on X11); without one, nothing is active.
class XcbActiveWindow {
  public:
    XcbActiveWindow(xcb_connection_t* connection, std::uint32_t root);

    /// _NET_ACTIVE_WINDOW of the root window; nothing when it is unset or
    /// none.
    std::optional<WindowId> activeWindow() const;
    /// Asks the window manager to activate the window on the user's behalf
    /// (source indication 2, a pager), which focus-stealing prevention lets
    /// through. False when there is no window to ask for.
    bool requestActivation(WindowId window) const;

  private:
    std::uint32_t atom() const;

    xcb_connection_t* connection_;
    std::uint32_t root_;
    mutable std::uint32_t atom_ = 0;
};

}  // namespace halvora::platform::qt
