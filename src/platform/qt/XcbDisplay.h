#pragma once

#include <cstdint>
#include <optional>

struct xcb_connection_t;

namespace halvora::platform::qt {

/// The X11 connection of the running QGuiApplication and its first screen's
/// root window; none without one (Wayland, the offscreen platform).
struct XcbDisplay {
    xcb_connection_t* connection = nullptr;
    std::uint32_t root = 0;

    static std::optional<XcbDisplay> ofApplication();
};

}  // namespace halvora::platform::qt
