#pragma once

#include <functional>

namespace halvora::platform {

/// Runs work away from the main queue (network requests, rasterising,
/// barcode reading). Results go back with `MainQueue::async`.
class WorkerQueue {
  public:
    virtual ~WorkerQueue() = default;
    virtual void async(std::function<void()> task) = 0;
};

}  // namespace halvora::platform
