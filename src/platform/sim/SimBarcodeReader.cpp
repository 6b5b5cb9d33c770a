#include "platform/sim/SimBarcodeReader.h"

namespace halvora::platform::sim {

BarcodeResult SimBarcodeReader::readQRCodes(const Image& image) const {
    std::lock_guard lock(mutex_);
    if (failure_) {
        return *failure_;
    }
    if (image.pixels.empty()) {
        return std::vector<std::string>{};
    }
    return std::vector<std::string>{std::string(image.pixels.begin(), image.pixels.end())};
}

void SimBarcodeReader::setFailure(std::optional<PlatformError> failure) {
    std::lock_guard lock(mutex_);
    failure_ = std::move(failure);
}

}  // namespace halvora::platform::sim
