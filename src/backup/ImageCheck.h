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

    /// Loads now, on the calling thread, what the check would otherwise load
    /// on first use. The backup service calls it before helper threads check
    /// images: Qt ties the image plugins it loads to the thread that first
    /// needs them, and one that has ended leaves them to corrupt the heap
    /// when they are destroyed at exit.
    virtual void prepare() const {}
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
