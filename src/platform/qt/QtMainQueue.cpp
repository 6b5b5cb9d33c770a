#include "platform/qt/QtMainQueue.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <memory>

namespace halvora::platform::qt {

namespace {

std::chrono::milliseconds toMilliseconds(double seconds) {
    if (!(seconds > 0)) {
        return std::chrono::milliseconds(0);
    }
    return std::chrono::milliseconds(std::llround(seconds * 1000.0));
}

}  // namespace

QtMainQueue::QtMainQueue() = default;

void QtMainQueue::async(Task task) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [task = std::move(task)] { task(); }, Qt::QueuedConnection);
}

void QtMainQueue::asyncAfter(double delaySeconds, Task task) {
    // Paste steps wait tens of milliseconds; a coarse timer could stretch
    // them by 5%, which is more than they allow between each other.
    QTimer::singleShot(toMilliseconds(delaySeconds), Qt::PreciseTimer, QCoreApplication::instance(),
                       [task = std::move(task)] { task(); });
}

Registration QtMainQueue::scheduleRepeating(double intervalSeconds, Task task) {
    auto* timer = new QTimer();
    timer->setInterval(toMilliseconds(intervalSeconds));
    QObject::connect(timer, &QTimer::timeout, [task = std::move(task)] { task(); });
    timer->start();
    QPointer<QTimer> guarded(timer);
    return Registration([guarded] {
        if (guarded) {
            guarded->stop();
            // The registration may end inside the timer's own timeout.
            guarded->deleteLater();
        }
    });
}

double QtMainQueue::now() const {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace halvora::platform::qt
