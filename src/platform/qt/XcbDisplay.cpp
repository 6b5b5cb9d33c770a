#include "platform/qt/XcbDisplay.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

namespace halvora::platform::qt {

std::optional<XcbDisplay> XcbDisplay::ofApplication() {
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (application == nullptr) {
        return std::nullopt;
    }
    auto* x11 = application->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return std::nullopt;
    }
    const xcb_screen_iterator_t screens =
        xcb_setup_roots_iterator(xcb_get_setup(x11->connection()));
    if (screens.rem == 0) {
        return std::nullopt;
    }
    return XcbDisplay{x11->connection(), screens.data->root};
}

}  // namespace halvora::platform::qt
