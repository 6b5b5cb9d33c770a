#pragma once

// What the keyboard controller needs from the QR subsystem to paste a
// transfer QR generated for one paste: the next greeting of the rotation and
// the image itself, made off the main thread.

#include "platform/ImageCodec.h"
#include "qr/DynamicQRProfile.h"

#include <functional>
#include <optional>
#include <string>

namespace halvora::input {

class DynamicQRSource {
  public:
    /// The verified PNG, or the description of what went wrong (shown after
    /// "Tạo QR lỗi: ").
    struct Result {
        std::optional<platform::Bytes> png;
        std::string errorDescription;
    };
    using Completion = std::function<void(Result)>;

    virtual ~DynamicQRSource() = default;

    /// The memo of the next paste from the greeting rotation; the rotation
    /// advances with each call.
    virtual std::string nextWishMemo() = 0;

    /// Generates the QR image for the profile and memo. The completion runs
    /// later on the main queue, never inside this call.
    virtual void prepare(const qr::DynamicQRProfile& profile, const std::string& memo,
                         Completion completion) = 0;
};

}  // namespace halvora::input
