#pragma once

#include "platform/KeyEvent.h"

#include <functional>
#include <memory>

namespace halvora::platform {

/// A system-wide keystroke tap while it is installed. Destroying it removes
/// the tap.
class InstalledTap {
  public:
    virtual ~InstalledTap() = default;
    virtual void setEnabled(bool enabled) = 0;
    virtual bool isEnabled() const = 0;
};

/// Installs a tap at the head of the session's event stream that sees every
/// key-down, left and right mouse-down, and the notices that the system
/// disabled the tap. Events posted through `EventPoster` pass it as well.
class KeyEventTap {
  public:
    /// Answers true to let the event through, false to swallow it. For the
    /// tap-disabled notices the answer is ignored.
    using Callback = std::function<bool(const KeyEvent&)>;

    virtual ~KeyEventTap() = default;

    /// The installed, enabled tap; nothing when the system refuses it (as it
    /// does without the accessibility permission).
    virtual std::unique_ptr<InstalledTap> install(Callback callback) = 0;
};

}  // namespace halvora::platform
