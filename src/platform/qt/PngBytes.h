#pragma once

// Encoded PNG handed to the clipboard as it is. Whoever writes an image to
// the pasteboard has decoded it already (the paste service proves every
// snippet image, the QR service reads its code back out of the very PNG),
// so the clipboard only makes sure that the bytes are a PNG with a usable
// header; decoding all the pixels again would only cost time.

#include <QByteArray>

namespace halvora::platform::qt {

/// Whether the bytes begin with the PNG signature.
bool isPng(const QByteArray& bytes);

/// Whether the bytes are a PNG whose header gives a picture of at least one
/// pixel; the pixels themselves are not decoded.
bool hasReadablePngHeader(const QByteArray& bytes);

}  // namespace halvora::platform::qt
