#include "platform/sim/SimWorkerQueue.h"

namespace halvora::platform::sim {

void SimWorkerQueue::async(std::function<void()> task) {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
}

std::size_t SimWorkerQueue::runAll() {
    std::size_t count = 0;
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(mutex_);
            if (tasks_.empty()) {
                return count;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
        ++count;
    }
}

std::size_t SimWorkerQueue::pendingCount() const {
    std::lock_guard lock(mutex_);
    return tasks_.size();
}

}  // namespace halvora::platform::sim
