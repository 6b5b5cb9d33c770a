#include "platform/qt/XcbClipboard.h"

#include <QMetaObject>
#include <QSocketNotifier>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace halvora::platform::qt {

std::unique_ptr<XcbClipboard> XcbClipboard::open() {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (connection == nullptr || xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
        xcb_screen_next(&screens);
    }
    if (screens.rem == 0) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::unique_ptr<XcbClipboard>(new XcbClipboard(connection, screens.data->root));
}

XcbClipboard::XcbClipboard(xcb_connection_t* connection, std::uint32_t root)
    : connection_(connection) {
    window_ = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    clipboardAtom_ = atom("CLIPBOARD");
    targetsAtom_ = atom("TARGETS");
    // Requests are counted in four-byte units; a change of property has a
    // header of six of them.
    const std::uint32_t units = xcb_get_maximum_request_length(connection_);
    maxBytes_ = units > 64 ? (static_cast<std::size_t>(units) - 64) * 4 : 0;
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection_),
                                                  QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
    xcb_flush(connection_);
}

XcbClipboard::~XcbClipboard() {
    notifier_.reset();
    release();
    xcb_destroy_window(connection_, window_);
    xcb_disconnect(connection_);
}

std::uint32_t XcbClipboard::atom(const std::string& name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(name.size()), name.data());
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, cookie, nullptr);
    if (reply == nullptr) {
        return 0;
    }
    const std::uint32_t value = reply->atom;
    std::free(reply);
    return value;
}

bool XcbClipboard::own(std::vector<Format> formats) {
    std::vector<std::pair<std::uint32_t, QByteArray>> prepared;
    for (auto& [name, bytes] : formats) {
        // Larger contents would need the incremental transfer; the caller
        // hands them to the toolkit's clipboard instead.
        if (static_cast<std::size_t>(bytes.size()) > maxBytes_) {
            return false;
        }
        const std::uint32_t target = atom(name);
        if (target == 0) {
            return false;
        }
        prepared.emplace_back(target, std::move(bytes));
    }
    xcb_set_selection_owner(connection_, window_, clipboardAtom_, XCB_CURRENT_TIME);
    const bool taken = stillOwner();
    formats_ = taken ? std::move(prepared) : decltype(formats_){};
    owned_ = taken;
    readQueuedEventsSoon();
    return taken;
}

bool XcbClipboard::stillOwner() {
    const xcb_get_selection_owner_cookie_t cookie =
        xcb_get_selection_owner(connection_, clipboardAtom_);
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(connection_, cookie, nullptr);
    const bool owner = reply != nullptr && reply->owner == window_;
    std::free(reply);
    return owner;
}

void XcbClipboard::release() {
    if (!owned_) {
        return;
    }
    owned_ = false;
    formats_.clear();
    xcb_set_selection_owner(connection_, XCB_NONE, clipboardAtom_, XCB_CURRENT_TIME);
    xcb_flush(connection_);
}

void XcbClipboard::readQueuedEventsSoon() {
    // Waiting for a reply reads whatever events came before it into the
    // connection's queue, where the socket's notifier no longer sees them.
    QMetaObject::invokeMethod(this, [this] { readEvents(); }, Qt::QueuedConnection);
}

void XcbClipboard::readEvents() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        switch (event->response_type & 0x7f) {
            case XCB_SELECTION_REQUEST:
                answer(*reinterpret_cast<xcb_selection_request_event_t*>(event));
                break;
            case XCB_SELECTION_CLEAR: {
                const auto* clear = reinterpret_cast<xcb_selection_clear_event_t*>(event);
                // Giving the clipboard up sends a clear too; it may be read
                // only after this program took the clipboard again.
                if (clear->selection == clipboardAtom_ && owned_ && !stillOwner()) {
                    owned_ = false;
                    formats_.clear();
                    if (onLost) {
                        onLost();
                    }
                }
                break;
            }
            default:
                break;
        }
        std::free(event);
    }
    xcb_flush(connection_);
}

void XcbClipboard::answer(const xcb_selection_request_event_t& request) {
    // Clients that name no property get the answer in the target's name.
    const std::uint32_t property = request.property != XCB_NONE ? request.property : request.target;
    bool served = false;
    if (owned_ && request.selection == clipboardAtom_) {
        if (request.target == targetsAtom_) {
            std::vector<std::uint32_t> targets{targetsAtom_};
            for (const auto& format : formats_) {
                targets.push_back(format.first);
            }
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                atomAtom_, 32, static_cast<std::uint32_t>(targets.size()),
                                targets.data());
            served = true;
        } else if (const auto format =
                       std::find_if(formats_.begin(), formats_.end(),
                                    [&](const auto& f) { return f.first == request.target; });
                   format != formats_.end()) {
            xcb_change_property(
                connection_, XCB_PROP_MODE_REPLACE, request.requestor, property, request.target, 8,
                static_cast<std::uint32_t>(format->second.size()), format->second.constData());
            served = true;
        }
    }
    xcb_selection_notify_event_t notify;
    std::memset(&notify, 0, sizeof notify);
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request.time;
    notify.requestor = request.requestor;
    notify.selection = request.selection;
    notify.target = request.target;
    notify.property = served ? property : XCB_NONE;
    xcb_send_event(connection_, 0, request.requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
}

}  // namespace halvora::platform::qt
