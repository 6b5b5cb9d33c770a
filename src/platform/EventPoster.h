#pragma once

#include "platform/KeyEvent.h"

#include <span>

namespace halvora::platform {

/// Synthesises keyboard events into the frontmost application, at the
/// hardware level, so that they pass the keystroke tap like real keys. Each
/// event is created without an event source, with exactly the given flags,
/// key code, source-user-data field and Unicode text.
class EventPoster {
  public:
    virtual ~EventPoster() = default;

    /// Posts one event; false when it could not be created (nothing posted).
    virtual bool post(const KeyEvent& event) = 0;

    /// Creates every event first and, only when all could be created, posts
    /// them in order back to back; false (nothing posted) otherwise.
    virtual bool postAll(std::span<const KeyEvent> events) = 0;
};

}  // namespace halvora::platform
