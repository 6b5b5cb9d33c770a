#pragma once

#include "platform/PlatformError.h"

#include <string>

namespace halvora::qr {

/// One QR to generate, with the values as the user typed them; the QR
/// service trims, normalises and validates them.
struct QRRequest {
    /// A bank code such as VCB or a six-digit BIN.
    std::string bankID;
    std::string accountNumber;
    std::string accountName;
    /// Decimal digits, or empty for a QR without amount.
    std::string amount;
    /// May be empty: a QR without memo.
    std::string memo;

    friend bool operator==(const QRRequest&, const QRRequest&) = default;
};

/// A QR image that has been read back and found to carry what was asked for.
struct GeneratedQR {
    /// PNG bytes, at least 400 × 400 pixels.
    platform::Bytes png;
    /// The resolved bank's short name.
    std::string bankName;
    /// The holder name after normalisation, as sent to the image service.
    std::string accountName;

    friend bool operator==(const GeneratedQR&, const GeneratedQR&) = default;
};

}  // namespace halvora::qr
