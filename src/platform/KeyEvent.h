#pragma once

// Events seen by the keystroke tap and events the core synthesises. Key codes
// are the virtual key codes of the Apple keyboard layout and flags are the
// modifier masks of a keyboard event; adapters for other systems translate to
// and from them, so the keystroke rules read the same everywhere.

#include <cstdint>
#include <string>

namespace halvora::platform {

enum class EventType : std::uint32_t {
    leftMouseDown = 1,
    rightMouseDown = 3,
    keyDown = 10,
    keyUp = 11,
    /// The system switched the tap off because its callback was too slow.
    tapDisabledByTimeout = 0xFFFFFFFE,
    /// The system switched the tap off on the user's request.
    tapDisabledByUserInput = 0xFFFFFFFF,
};

using KeyCode = std::uint16_t;

/// The value every event the program synthesises carries in its
/// source-user-data field: the ASCII letters "HALVRA" read as a big-endian
/// number. The keystroke tap lets such events through untouched.
inline constexpr std::int64_t kSyntheticEventMarker = 0x48414C565241;
using EventFlags = std::uint64_t;

namespace keyCodes {
inline constexpr KeyCode a = 0;
inline constexpr KeyCode v = 9;
inline constexpr KeyCode zero = 29;
inline constexpr KeyCode returnKey = 36;
inline constexpr KeyCode k = 40;
inline constexpr KeyCode semicolon = 41;
inline constexpr KeyCode tab = 48;
inline constexpr KeyCode space = 49;
inline constexpr KeyCode backspace = 51;
inline constexpr KeyCode escape = 53;
inline constexpr KeyCode keypadEnter = 76;
inline constexpr KeyCode home = 115;
inline constexpr KeyCode pageUp = 116;
inline constexpr KeyCode forwardDelete = 117;
inline constexpr KeyCode end = 119;
inline constexpr KeyCode pageDown = 121;
inline constexpr KeyCode leftArrow = 123;
inline constexpr KeyCode rightArrow = 124;
inline constexpr KeyCode downArrow = 125;
inline constexpr KeyCode upArrow = 126;
}  // namespace keyCodes

namespace eventFlags {
inline constexpr EventFlags capsLock = 0x10000;
inline constexpr EventFlags shift = 0x20000;
inline constexpr EventFlags control = 0x40000;
inline constexpr EventFlags option = 0x80000;
inline constexpr EventFlags command = 0x100000;
inline constexpr EventFlags numericPad = 0x200000;
inline constexpr EventFlags function = 0x800000;
}  // namespace eventFlags

/// One event as the tap delivers it or as the core posts it. Mouse and
/// tap-disabled events use only `type`.
struct KeyEvent {
    EventType type = EventType::keyDown;
    KeyCode keyCode = 0;
    EventFlags flags = 0;
    /// The Unicode text the key types (UTF-8); a posted event carries its
    /// whole text in one event.
    std::string text;
    /// The event's source-user-data field (field 42), which marks events the
    /// program synthesised itself.
    std::int64_t sourceUserData = 0;

    bool hasFlags(EventFlags mask) const { return (flags & mask) == mask; }

    bool operator==(const KeyEvent&) const = default;
};

}  // namespace halvora::platform
