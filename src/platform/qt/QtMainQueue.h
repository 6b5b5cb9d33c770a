#pragma once

#include "platform/MainQueue.h"

namespace halvora::platform::qt {

/// The main queue on Qt's event loop: the thread of the QCoreApplication,
/// which must exist before any task is queued and outlive this object.
class QtMainQueue final : public MainQueue {
  public:
    QtMainQueue();

    /// Safe from any thread: the task is posted to the application object.
    void async(Task task) override;
    void asyncAfter(double delaySeconds, Task task) override;
    /// A timer owned by the registration; ending the registration (also from
    /// inside the task) stops it.
    Registration scheduleRepeating(double intervalSeconds, Task task) override;
    double now() const override;
};

}  // namespace halvora::platform::qt
