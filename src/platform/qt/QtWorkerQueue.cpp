#include "platform/qt/QtWorkerQueue.h"

#include <QThreadPool>

namespace halvora::platform::qt {

QtWorkerQueue::QtWorkerQueue(int maxThreads) : pool_(std::make_unique<QThreadPool>()) {
    pool_->setMaxThreadCount(maxThreads);
}

QtWorkerQueue::~QtWorkerQueue() {
    pool_->waitForDone();
}

void QtWorkerQueue::async(std::function<void()> task) {
    pool_->start(std::move(task));
}

}  // namespace halvora::platform::qt
