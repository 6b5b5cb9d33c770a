#pragma once

#include "platform/ImageCodec.h"
#include "platform/PlatformError.h"

#include <cstdint>
#include <span>

namespace halvora::backup {

/// Proves that bytes are an image, as a backup must before it stores or
/// writes them: a real decode of every pixel, whose result is then dropped.
/// Thread-safe.
class ImageCheck {
  public:
    virtual ~ImageCheck() = default;

    /// Whether `bytes` decode completely as an image of a readable size.
    virtual bool isImage(std::span<const std::uint8_t> bytes) const = 0;
};

/// The check through any image codec: its full decode, into its own pixel
/// layout. Adapters that can decode without that conversion offer their own
/// ImageCheck (QtImageCheck, HeifImageCheck).
class CodecImageCheck final : public ImageCheck {
  public:
    /// `codec` must outlive this object.
    explicit CodecImageCheck(const platform::ImageCodec& codec) : codec_(&codec) {}

    bool isImage(std::span<const std::uint8_t> bytes) const override {
        return codec_->decode(platform::Bytes(bytes.begin(), bytes.end())).has_value();
    }

  private:
    const platform::ImageCodec* codec_;
};

}  // namespace halvora::backup
