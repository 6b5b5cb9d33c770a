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
    void ungrab(const Grab& grab);
    /// The lock modifiers: Caps Lock, and the modifier Num Lock sits on.
    std::vector<std::uint16_t> lockVariants() const;

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    _XCBKeySymbols* keySymbols_ = nullptr;
    Handler handler_;
    bool filterInstalled_ = false;
    std::vector<Grab> grabs_;
    std::uint64_t nextSerial_ = 1;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace halvora::platform::qt
