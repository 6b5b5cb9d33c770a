#pragma once

#include "platform/BarcodeReader.h"

#include <mutex>
#include <optional>

namespace halvora::platform::sim {

/// Reads the QR code of a simulated image (SimImageCodec): its pixel bytes
/// are the payload; an image without pixel bytes shows no code.
class SimBarcodeReader final : public BarcodeReader {
  public:
    BarcodeResult readQRCodes(const Image& image) const override;

    /// Makes the reader itself fail with this error (nothing: read again).
    void setFailure(std::optional<PlatformError> failure);

  private:
    mutable std::mutex mutex_;
    std::optional<PlatformError> failure_;
};

}  // namespace halvora::platform::sim
