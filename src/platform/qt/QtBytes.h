#pragma once

// Copies between the ports' byte buffers and Qt's.

#include "platform/PlatformError.h"

#include <QByteArray>

namespace halvora::platform::qt {

inline QByteArray toByteArray(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

inline Bytes toBytes(const QByteArray& array) {
    return Bytes(reinterpret_cast<const std::uint8_t*>(array.constData()),
                 reinterpret_cast<const std::uint8_t*>(array.constData()) + array.size());
}

}  // namespace halvora::platform::qt
