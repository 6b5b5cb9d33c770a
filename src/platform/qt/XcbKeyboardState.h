#pragma once

#include "platform/KeyboardState.h"

#include <cstdint>

struct xcb_connection_t;

namespace halvora::platform::qt {

/// The keyboard state of an X11 session: the modifier keys held right now,
/// asked of the X server (so a hot key's Alt and Super are seen until the
/// user lets go of them). Secure input, and the modifiers where there is no
/// X11 connection, come from `fallback`.
class XcbKeyboardState final : public KeyboardState {
  public:
    explicit XcbKeyboardState(const KeyboardState& fallback);

    bool isSecureInputEnabled() const override { return fallback_.isSecureInputEnabled(); }
    EventFlags modifierFlags() const override;

    bool hasDisplay() const { return connection_ != nullptr; }

    /// Event flags of an X modifier mask (Shift, Control, Alt as Option,
    /// Super as Command).
    static EventFlags flagsOfMask(std::uint16_t mask);

  private:
    const KeyboardState& fallback_;
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
};

}  // namespace halvora::platform::qt
