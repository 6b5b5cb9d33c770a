#pragma once

#include "platform/KeyEvent.h"
#include "platform/Registration.h"

#include <cstdint>
#include <functional>

namespace halvora::platform {

/// Identifies a global hot key: a four-character signature and a number.
struct HotKeyId {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;

    bool operator==(const HotKeyId&) const = default;
};

/// A global hot key: a key code and the modifiers (event flags) held with it.
struct HotKey {
    HotKeyId id;
    KeyCode keyCode = 0;
    EventFlags modifiers = 0;

    bool operator==(const HotKey&) const = default;
};

/// The outcome of installing a handler or registering a hot key: the
/// platform's status code (0 is success) and, on success, the registration
/// that ends it.
struct HotKeyResult {
    int status = 0;
    Registration registration;

    bool succeeded() const { return status == 0; }
};

/// Global hot keys that reach the program whichever application is in front.
/// One handler receives every registered hot key.
class HotKeys {
  public:
    /// Answers true when the hot key was handled.
    using Handler = std::function<bool(const HotKeyId&)>;

    virtual ~HotKeys() = default;

    virtual HotKeyResult installHandler(Handler handler) = 0;
    /// Registers the hot key exclusively for this program.
    virtual HotKeyResult registerHotKey(const HotKey& hotKey) = 0;
};

}  // namespace halvora::platform
