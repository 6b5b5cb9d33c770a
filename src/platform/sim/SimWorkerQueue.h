#pragma once

#include "platform/WorkerQueue.h"

#include <deque>
#include <functional>
#include <mutex>

namespace halvora::platform::sim {

/// Background work held until the test runs it, so that a test can decide
/// what the user does while a generation is under way.
class SimWorkerQueue final : public WorkerQueue {
  public:
    void async(std::function<void()> task) override;

    /// Runs the queued work in submission order, including work queued by it;
    /// answers how many tasks ran.
    std::size_t runAll();
    std::size_t pendingCount() const;

  private:
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> tasks_;
};

}  // namespace halvora::platform::sim
