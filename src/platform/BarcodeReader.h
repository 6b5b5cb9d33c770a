#pragma once

#include "platform/ImageCodec.h"

#include <string>
#include <variant>
#include <vector>

namespace halvora::platform {

/// The payload strings found, in the reader's order (possibly none), or the
/// reader's own failure.
using BarcodeResult = std::variant<std::vector<std::string>, PlatformError>;

/// Reads QR codes back out of an image. Thread-safe: used from the worker
/// queue.
class BarcodeReader {
  public:
    virtual ~BarcodeReader() = default;
    virtual BarcodeResult readQRCodes(const Image& image) const = 0;
};

}  // namespace halvora::platform
