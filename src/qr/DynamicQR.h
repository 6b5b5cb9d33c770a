#pragma once

// The per-paste preparation: a freshly generated, read-back-verified QR image
// for the stored account, decoded and ready for the pasteboard.

#include "platform/ImageCodec.h"
#include "qr/DynamicQRProfile.h"
#include "qr/QREndpoints.h"
#include "qr/QRService.h"

#include <string>

namespace halvora::qr {

struct DynamicQRContent {
    /// Decoded from the verified PNG.
    platform::Image image;
    /// The memo that was asked for, unchanged (not the normalised one sent).
    std::string memo;

    friend bool operator==(const DynamicQRContent&, const DynamicQRContent&) = default;
};

namespace DynamicQR {

/// The request handed to the QR service: the profile's values and the memo,
/// copied unchanged.
QRRequest request(const DynamicQRProfile& profile, const std::string& memo);

/// Generates and decodes the QR. Throws what the QR service throws, and
/// QRServiceError::invalidImage when the PNG cannot be decoded. Blocks on the
/// network: call it from the worker queue.
DynamicQRContent prepare(const DynamicQRProfile& profile, const std::string& memo,
                         const QRServicePorts& ports, const QREndpoints& endpoints = {});

}  // namespace DynamicQR
}  // namespace halvora::qr
