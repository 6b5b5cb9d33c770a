#pragma once

// The per-paste preparation: a freshly generated, read-back-verified QR image
// for the stored account, ready for the pasteboard.

#include "platform/ImageCodec.h"
#include "qr/DynamicQRProfile.h"
#include "qr/QREndpoints.h"
#include "qr/QRService.h"

#include <string>

namespace halvora::qr {

struct DynamicQRContent {
    /// The verified PNG, byte for byte the one the code was read back from.
    /// It goes to the pasteboard as it is: decoding it into pixels and
    /// encoding those again would only cost time and could not make the
    /// image any more correct.
    platform::Bytes png;
    /// The memo that was asked for, unchanged (not the normalised one sent).
    std::string memo;

    friend bool operator==(const DynamicQRContent&, const DynamicQRContent&) = default;
};

namespace DynamicQR {

/// The request handed to the QR service: the profile's values and the memo,
/// copied unchanged.
QRRequest request(const DynamicQRProfile& profile, const std::string& memo);

/// Generates the QR. Throws what the QR service throws; a PNG the codec
/// cannot decode never gets this far, because the service's read-back
/// decodes exactly these bytes (QRServiceError::invalidImage). Blocks on
/// the network: call it from the worker queue.
DynamicQRContent prepare(const DynamicQRProfile& profile, const std::string& memo,
                         const QRServicePorts& ports, const QREndpoints& endpoints = {});

}  // namespace DynamicQR
}  // namespace halvora::qr
