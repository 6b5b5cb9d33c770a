#pragma once

#include "platform/KeyEvent.h"

namespace halvora::platform {

/// The live state of the keyboard, independent of any event.
class KeyboardState {
  public:
    virtual ~KeyboardState() = default;

    /// True while some application has turned on secure keyboard entry
    /// (password fields, terminals with the option set).
    virtual bool isSecureInputEnabled() const = 0;

    /// The modifier keys held down right now, combined over the session, as
    /// event flags.
    virtual EventFlags modifierFlags() const = 0;
};

}  // namespace halvora::platform
