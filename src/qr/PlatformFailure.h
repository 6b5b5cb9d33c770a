#pragma once

#include "platform/PlatformError.h"

#include <stdexcept>

namespace halvora::qr {

/// A platform failure (network transport, barcode reader) passed through QR
/// generation unchanged: its description is the platform's own.
class PlatformFailure : public std::runtime_error {
  public:
    explicit PlatformFailure(platform::PlatformError error)
        : std::runtime_error(error.localizedDescription), error_(std::move(error)) {}

    const platform::PlatformError& error() const { return error_; }
    const std::string& localizedDescription() const { return error_.localizedDescription; }

  private:
    platform::PlatformError error_;
};

}  // namespace halvora::qr
