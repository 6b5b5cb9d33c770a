#include "platform/qt/PngBytes.h"

#include <QBuffer>
#include <QImageReader>

namespace halvora::platform::qt {

bool isPng(const QByteArray& bytes) {
    return bytes.startsWith(QByteArray::fromRawData("\x89PNG\r\n\x1a\n", 8));
}

bool hasReadablePngHeader(const QByteArray& bytes) {
    if (!isPng(bytes)) {
        return false;
    }
    QByteArray view = QByteArray::fromRawData(bytes.constData(), bytes.size());
    QBuffer buffer(&view);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "png");
    const QSize size = reader.size();
    return reader.canRead() && size.isValid() && !size.isEmpty();
}

}  // namespace halvora::platform::qt
