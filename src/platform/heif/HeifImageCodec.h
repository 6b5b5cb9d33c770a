#pragma once

#include "backup/ImageCheck.h"
#include "platform/ImageCodec.h"

namespace halvora::platform::heif {

/// Adds HEIC/HEIF decoding (libheif) to another image codec: bytes in a HEIF
/// container are decoded here, everything else, and every encoding, is left
/// to the codec it wraps. Decoded images have that codec's pixel layout when
/// it is QtImageCodec's: 8-bit RGBA, not premultiplied, rows without padding.
/// Thread-safe: every call works on its own libheif objects.
class HeifImageCodec final : public ImageCodec {
  public:
    /// The largest image decoded, in pixels; larger ones count as unreadable.
    static constexpr long long maxPixels = 64LL * 1024 * 1024;

    /// `other` must outlive this object.
    explicit HeifImageCodec(const ImageCodec& other) : other_(other) {}

    /// Whether the bytes begin like a HEIF file (an "ftyp" box with a brand
    /// libheif reads).
    static bool isHeif(std::span<const std::uint8_t> bytes);

    std::optional<Image> decode(const Bytes& bytes) const override;
    std::optional<Image> rasterizeSvg(std::string_view svg) const override {
        return other_.rasterizeSvg(svg);
    }
    std::optional<PixelSize> pixelSize(const Bytes& bytes) const override;
    std::optional<Bytes> encodePng(const Image& image) const override {
        return other_.encodePng(image);
    }
    std::optional<Bytes> encodeTiff(const Image& image) const override {
        return other_.encodeTiff(image);
    }

  private:
    const ImageCodec& other_;
};

/// Adds HEIC/HEIF to another backup image check: bytes in a HEIF container
/// are decoded here by libheif, every pixel, in the image's own colour
/// planes (nothing converted to RGBA, nothing copied out); everything else
/// is left to the check it wraps.
class HeifImageCheck final : public backup::ImageCheck {
  public:
    /// `other` must outlive this object.
    explicit HeifImageCheck(const backup::ImageCheck& other) : other_(other) {}

    bool isImage(std::span<const std::uint8_t> bytes) const override;

  private:
    const backup::ImageCheck& other_;
};

}  // namespace halvora::platform::heif
