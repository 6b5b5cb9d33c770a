#pragma once

#include <QApplication>
#include <QElapsedTimer>

#include <functional>

namespace halvora::testing {

/// Runs the event loop until `done` answers true or the time is up.
inline void processEventsFor(int milliseconds, const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

}  // namespace halvora::testing
