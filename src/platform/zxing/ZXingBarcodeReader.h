#pragma once

#include "platform/BarcodeReader.h"

namespace halvora::platform::zxing {

/// Reads QR codes with zxing-cpp. Takes images in the RGBA layout of
/// qt::QtImageCodec (four bytes a pixel, rows without padding); transparent
/// pixels count as white, as they look on a light background. Payloads are
/// returned as UTF-8 text. Thread-safe: the reader keeps no state.
class ZXingBarcodeReader final : public BarcodeReader {
  public:
    /// The codes found, in zxing's order; a PlatformError when the pixels are
    /// not in the expected layout or zxing itself fails.
    BarcodeResult readQRCodes(const Image& image) const override;
};

}  // namespace halvora::platform::zxing
