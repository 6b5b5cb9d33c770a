#include "platform/qt/HeadlessGuiApplication.h"

#include <QCoreApplication>
#include <QGuiApplication>

namespace halvora::platform::qt {

HeadlessGuiApplication::HeadlessGuiApplication() {
    if (QCoreApplication::instance() == nullptr) {
        application_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
}

HeadlessGuiApplication::~HeadlessGuiApplication() = default;

}  // namespace halvora::platform::qt
