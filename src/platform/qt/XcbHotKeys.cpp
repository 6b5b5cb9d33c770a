#include "platform/qt/XcbHotKeys.h"

#include "platform/qt/XcbDisplay.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <cstdlib>

namespace halvora::platform::qt {

namespace {

constexpr std::uint32_t kKeysymSemicolon = 0x003b;
constexpr std::uint32_t kKeysymK = 0x006b;
constexpr std::uint32_t kKeysymNumLock = 0xff7f;

}  // namespace

std::optional<std::uint32_t> XcbHotKeys::keysymFor(KeyCode keyCode) {
    switch (keyCode) {
        case keyCodes::semicolon:
            return kKeysymSemicolon;
        case keyCodes::k:
            return kKeysymK;
        default:
            return std::nullopt;
    }
}

std::uint16_t XcbHotKeys::modifierMask(EventFlags flags) {
    std::uint16_t mask = 0;
    if ((flags & eventFlags::shift) != 0) {
        mask |= XCB_MOD_MASK_SHIFT;
    }
    if ((flags & eventFlags::control) != 0) {
        mask |= XCB_MOD_MASK_CONTROL;
    }
    if ((flags & eventFlags::option) != 0) {
        mask |= XCB_MOD_MASK_1;
    }
    if ((flags & eventFlags::command) != 0) {
        mask |= XCB_MOD_MASK_4;
    }
    return mask;
}

XcbHotKeys::XcbHotKeys() {
    const auto display = XcbDisplay::ofApplication();
    if (!display) {
        return;
    }
    connection_ = display->connection;
    root_ = display->root;
    keySymbols_ = xcb_key_symbols_alloc(connection_);
}

XcbHotKeys::~XcbHotKeys() {
    setGrabbing(false);
    if (connection_ != nullptr) {
        xcb_flush(connection_);
    }
    if (filterInstalled_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
    if (keySymbols_ != nullptr) {
        xcb_key_symbols_free(keySymbols_);
    }
}

std::vector<std::uint16_t> XcbHotKeys::lockVariants() const {
    std::uint16_t numLock = XCB_MOD_MASK_2;  // where it nearly always is
    if (keySymbols_ != nullptr) {
        if (xcb_keycode_t* numLockCodes =
                xcb_key_symbols_get_keycode(keySymbols_, kKeysymNumLock)) {
            const xcb_get_modifier_mapping_cookie_t cookie = xcb_get_modifier_mapping(connection_);
            if (xcb_get_modifier_mapping_reply_t* reply =
                    xcb_get_modifier_mapping_reply(connection_, cookie, nullptr)) {
                const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
                const int perModifier = reply->keycodes_per_modifier;
                for (int modifier = 0; modifier < 8; ++modifier) {
                    for (int i = 0; i < perModifier; ++i) {
                        const xcb_keycode_t code = codes[modifier * perModifier + i];
                        if (code != 0 && code == numLockCodes[0]) {
                            numLock = static_cast<std::uint16_t>(1u << modifier);
                        }
                    }
                }
                std::free(reply);
            }
            std::free(numLockCodes);
        }
    }
    return {0, XCB_MOD_MASK_LOCK, numLock, static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLock)};
}

HotKeyResult XcbHotKeys::installHandler(Handler handler) {
    handler_ = std::move(handler);
    if (!filterInstalled_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installNativeEventFilter(this);
        filterInstalled_ = true;
    }
    std::weak_ptr<int> alive = lifetime_;
    return HotKeyResult{0, Registration([this, alive] {
                            if (!alive.expired()) {
                                handler_ = nullptr;
                            }
                        })};
}

HotKeyResult XcbHotKeys::registerHotKey(const HotKey& hotKey) {
    if (connection_ == nullptr) {
        return HotKeyResult{kNoX11Display, {}};
    }
    const auto keysym = keysymFor(hotKey.keyCode);
    if (!keysym || keySymbols_ == nullptr) {
        return HotKeyResult{kUnknownKey, {}};
    }
    xcb_keycode_t* keycodes = xcb_key_symbols_get_keycode(keySymbols_, *keysym);
    if (keycodes == nullptr || keycodes[0] == XCB_NO_SYMBOL) {
        std::free(keycodes);
        return HotKeyResult{kUnknownKey, {}};
    }
    const xcb_keycode_t keycode = keycodes[0];
    std::free(keycodes);

    const std::uint16_t modifiers = modifierMask(hotKey.modifiers);
    const std::uint64_t serial = nextSerial_++;
    std::vector<Grab> made;
    int status = 0;
    for (const std::uint16_t locks : lockVariants()) {
        const auto variant = static_cast<std::uint16_t>(modifiers | locks);
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(
            connection_, 1, root_, variant, keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
            status = error->error_code;
            std::free(error);
            break;
        }
        made.push_back(Grab{serial, hotKey.id, keycode, variant});
    }
    if (status != 0) {
        // All or nothing: a hot key that works only with Num Lock off would
        // look random to the user.
        for (const Grab& grab : made) {
            ungrab(grab);
        }
        xcb_flush(connection_);
        return HotKeyResult{status, {}};
    }
    grabs_.insert(grabs_.end(), made.begin(), made.end());
    if (!grabbing_) {
        // Known to be free for this program; taken when grabbing resumes.
        for (const Grab& grab : made) {
            ungrab(grab);
        }
    }
    xcb_flush(connection_);
    std::weak_ptr<int> alive = lifetime_;
    return HotKeyResult{0, Registration([this, alive, serial] {
                            if (alive.expired()) {
                                return;
                            }
                            for (const Grab& grab : grabs_) {
                                if (grab.serial == serial) {
                                    ungrab(grab);
                                }
                            }
                            std::erase_if(grabs_,
                                          [serial](const Grab& g) { return g.serial == serial; });
                            xcb_flush(connection_);
                        })};
}

void XcbHotKeys::setGrabbing(bool grabbing) {
    if (grabbing == grabbing_) {
        return;
    }
    grabbing_ = grabbing;
    for (const Grab& grab : grabs_) {
        grabbing ? this->grab(grab) : ungrab(grab);
    }
    if (connection_ != nullptr) {
        xcb_flush(connection_);
    }
}

void XcbHotKeys::grab(const Grab& grab) {
    // Unchecked: a key another client took meanwhile stays its own, and
    // the hot key still works where the input method has the focus.
    xcb_grab_key(connection_, 1, root_, grab.modifiers, grab.keycode, XCB_GRAB_MODE_ASYNC,
                 XCB_GRAB_MODE_ASYNC);
}

void XcbHotKeys::ungrab(const Grab& grab) {
    if (connection_ != nullptr) {
        xcb_ungrab_key(connection_, grab.keycode, root_, grab.modifiers);
    }
}

bool XcbHotKeys::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || message == nullptr) {
        return false;
    }
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS) {
        return false;
    }
    auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
    for (const Grab& grab : grabs_) {
        if (grab.keycode == press->detail && grab.modifiers == (press->state & 0xff)) {
            if (handler_) {
                // Copied: the handler may end registrations (and grabs_).
                const HotKeyId id = grab.id;
                Handler handler = handler_;
                handler(id);
            }
            return true;
        }
    }
    return false;
}

}  // namespace halvora::platform::qt
