#pragma once

#include "platform/HotKeys.h"

#include <QAbstractNativeEventFilter>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct xcb_connection_t;
struct _XCBKeySymbols;

namespace halvora::platform::qt {

/// Global hot keys as passive key grabs on the X11 root window, seen through
/// Qt's native event filter. Option is Alt (Mod1), Command is Super (Mod4);
/// each hot key is grabbed four times, with and without Caps Lock and Num
/// Lock, so that those locks do not hide it. Without an X11 connection (a
/// Wayland session, the offscreen platform) every registration fails with
/// `kNoX11Display`; a key another client already grabbed fails with the X
/// error code (10, BadAccess).
class XcbHotKeys final : public HotKeys, private QAbstractNativeEventFilter {
  public:
    static constexpr int kNoX11Display = -1;
    /// The key code has no X key sym here, or the keyboard has no key for it.
    static constexpr int kUnknownKey = -2;

    /// Uses the X11 connection of the running QGuiApplication, if any.
    XcbHotKeys();
    ~XcbHotKeys() override;
    XcbHotKeys(const XcbHotKeys&) = delete;
    XcbHotKeys& operator=(const XcbHotKeys&) = delete;

    /// Keeps the handler; it succeeds without a display too, so that the
    /// registrations report what failed.
    HotKeyResult installHandler(Handler handler) override;
    HotKeyResult registerHotKey(const HotKey& hotKey) override;

    bool hasDisplay() const { return connection_ != nullptr; }

    /// Lets go of the display's key grabs while false, and takes them again
    /// when true; the registrations stay. A grab moves the keyboard focus
    /// away from the focused window for as long as the key is down, which
    /// GTK clients take for the user leaving the field.
    void setGrabbing(bool grabbing);

    /// The X key sym of the keys the hot keys use (";" and "k"); nothing for
    /// other key codes.
    static std::optional<std::uint32_t> keysymFor(KeyCode keyCode);
    /// The X modifier mask of event flags (Shift, Control, Option, Command).
    static std::uint16_t modifierMask(EventFlags flags);

  private:
    struct Grab {
        std::uint64_t serial;
        HotKeyId id;
        std::uint8_t keycode;
        std::uint16_t modifiers;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    void grab(const Grab& grab);
    void ungrab(const Grab& grab);
    /// The lock modifiers: Caps Lock, and the modifier Num Lock sits on.
    std::vector<std::uint16_t> lockVariants() const;

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    _XCBKeySymbols* keySymbols_ = nullptr;
    Handler handler_;
    bool filterInstalled_ = false;
    bool grabbing_ = true;
    std::vector<Grab> grabs_;
    std::uint64_t nextSerial_ = 1;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace halvora::platform::qt
