#include "platform/qt/XcbKeyboardState.h"

#include "platform/qt/XcbDisplay.h"

#include <xcb/xcb.h>

#include <cstdlib>

namespace halvora::platform::qt {

XcbKeyboardState::XcbKeyboardState(const KeyboardState& fallback) : fallback_(fallback) {
    if (const auto display = XcbDisplay::ofApplication()) {
        connection_ = display->connection;
        root_ = display->root;
    }
}

EventFlags XcbKeyboardState::flagsOfMask(std::uint16_t mask) {
    EventFlags flags = 0;
    if ((mask & XCB_MOD_MASK_SHIFT) != 0) {
        flags |= eventFlags::shift;
    }
    if ((mask & XCB_MOD_MASK_CONTROL) != 0) {
        flags |= eventFlags::control;
    }
    if ((mask & XCB_MOD_MASK_1) != 0) {
        flags |= eventFlags::option;
    }
    if ((mask & XCB_MOD_MASK_4) != 0) {
        flags |= eventFlags::command;
    }
    return flags;
}

EventFlags XcbKeyboardState::modifierFlags() const {
    if (connection_ == nullptr) {
        return fallback_.modifierFlags();
    }
    // The pointer query answers with the server's current key and button
    // mask, whichever window has the focus.
    xcb_query_pointer_reply_t* reply =
        xcb_query_pointer_reply(connection_, xcb_query_pointer(connection_, root_), nullptr);
    if (reply == nullptr) {
        return fallback_.modifierFlags();
    }
    const EventFlags flags = flagsOfMask(reply->mask);
    std::free(reply);
    return flags;
}

}  // namespace halvora::platform::qt
