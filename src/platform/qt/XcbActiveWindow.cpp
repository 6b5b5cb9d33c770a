#include "platform/qt/XcbActiveWindow.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace halvora::platform::qt {

namespace {

/// EWMH's source indication for pagers and task bars: a request made on
/// the user's behalf, which window managers honour.
constexpr std::uint32_t kSourcePager = 2;

}  // namespace

XcbActiveWindow::XcbActiveWindow(xcb_connection_t* connection, std::uint32_t root)
    : connection_(connection), root_(root) {}

std::uint32_t XcbActiveWindow::atom() const {
    if (atom_ == 0 && connection_ != nullptr) {
        static constexpr char kName[] = "_NET_ACTIVE_WINDOW";
        const xcb_intern_atom_cookie_t cookie =
            xcb_intern_atom(connection_, 0, sizeof kName - 1, kName);
        if (xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, cookie, nullptr)) {
            atom_ = reply->atom;
            std::free(reply);
        }
    }
    return atom_;
}

std::optional<WindowId> XcbActiveWindow::activeWindow() const {
    if (connection_ == nullptr || atom() == 0) {
        return std::nullopt;
    }
    const xcb_get_property_cookie_t cookie =
        xcb_get_property(connection_, 0, root_, atom(), XCB_ATOM_WINDOW, 0, 1);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection_, cookie, nullptr);
    if (reply == nullptr) {
        return std::nullopt;
    }
    std::optional<WindowId> window;
    if (reply->format == 32 && xcb_get_property_value_length(reply) >= 4) {
        std::uint32_t value = 0;
        std::memcpy(&value, xcb_get_property_value(reply), sizeof value);
        if (value != XCB_WINDOW_NONE) {
            window = value;
        }
    }
    std::free(reply);
    return window;
}

bool XcbActiveWindow::requestActivation(WindowId window) const {
    if (connection_ == nullptr || window == 0 || atom() == 0) {
        return false;
    }
    xcb_client_message_event_t message;
    std::memset(&message, 0, sizeof message);
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window);
    message.type = atom();
    message.data.data32[0] = kSourcePager;
    message.data.data32[1] = XCB_CURRENT_TIME;
    message.data.data32[2] = XCB_WINDOW_NONE;
    xcb_send_event(connection_, 0, root_,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
    return true;
}

}  // namespace halvora::platform::qt
