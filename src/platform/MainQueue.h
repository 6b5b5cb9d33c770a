#pragma once

#include "platform/Registration.h"

#include <functional>

namespace halvora::platform {

/// The main thread's queue: every rule of the core runs here. `async` may be
/// called from any thread (that is how background work hands its result
/// back); everything else only from the main queue.
class MainQueue {
  public:
    using Task = std::function<void()>;

    virtual ~MainQueue() = default;

    /// Runs the task on the main queue after the current work.
    virtual void async(Task task) = 0;
    /// Runs the task on the main queue once `delaySeconds` have passed.
    virtual void asyncAfter(double delaySeconds, Task task) = 0;
    /// Runs the task every `intervalSeconds` until the registration ends.
    virtual Registration scheduleRepeating(double intervalSeconds, Task task) = 0;
    /// Monotonic time in seconds.
    virtual double now() const = 0;
};

}  // namespace halvora::platform
