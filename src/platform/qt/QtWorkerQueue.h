#pragma once

#include "platform/WorkerQueue.h"

#include <memory>

class QThreadPool;

namespace halvora::platform::qt {

/// Background work on a small pool of threads of its own. Destroying the
/// queue waits for the tasks already started.
class QtWorkerQueue final : public WorkerQueue {
  public:
    explicit QtWorkerQueue(int maxThreads = 2);
    ~QtWorkerQueue() override;
    QtWorkerQueue(const QtWorkerQueue&) = delete;
    QtWorkerQueue& operator=(const QtWorkerQueue&) = delete;

    void async(std::function<void()> task) override;

  private:
    std::unique_ptr<QThreadPool> pool_;
};

}  // namespace halvora::platform::qt
