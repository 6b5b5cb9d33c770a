#pragma once

#include "platform/MainQueue.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <utility>

namespace halvora::platform::sim {

/// A main queue driven by a virtual clock. Nothing runs until the test
/// advances the clock; then every task due by the new time runs in time
/// order, tasks due at the same time in the order they were submitted, each
/// seeing the clock at its own due time. Time is kept in whole microseconds
/// so that sums of delays compare exactly.
class SimMainQueue final : public MainQueue {
  public:
    void async(Task task) override;
    void asyncAfter(double delaySeconds, Task task) override;
    Registration scheduleRepeating(double intervalSeconds, Task task) override;
    double now() const override;

    /// Moves the clock forward, running the work that falls due on the way
    /// (including work scheduled by that work).
    void advance(double seconds);
    /// Runs the work that is already due, without moving the clock.
    void runReady() { advance(0); }
    std::size_t pendingCount() const;

    /// Called around every task (the simulated desktop delivers the events
    /// a task posted once it has finished).
    void setTaskHooks(std::function<void()> before, std::function<void()> after);

  private:
    using Key = std::pair<std::int64_t, std::uint64_t>;  // due time, submission number

    void schedule(std::int64_t dueMicros, Task task);

    mutable std::mutex mutex_;
    std::map<Key, Task> tasks_;
    std::uint64_t nextSequence_ = 0;
    std::atomic<std::int64_t> nowMicros_{0};
    std::function<void()> beforeTask_;
    std::function<void()> afterTask_;
};

}  // namespace halvora::platform::sim
