#pragma once

#include "platform/ImageCodec.h"

#include <atomic>
#include <string>

namespace halvora::platform::sim {

/// A stand-in image format that keeps tests free of real pixels. An encoded
/// image is the real format's signature (for PNG, JPEG, TIFF and HEIC, so
/// that it passes the check of its declared type), a header line
/// "SIM-<FORMAT> <width> <height>" followed by its
/// pixel bytes; in the simulation those bytes are the text of the QR code
/// the image shows (see SimBarcodeReader). SVG documents are read too: the
/// size from the width and height of the <svg> element, the pixels from the
/// text of its <desc> element.
class SimImageCodec final : public ImageCodec {
  public:
    /// Encoded bytes of an image of the given size showing `payload`.
    static Bytes encoded(PixelSize size, std::string_view payload, std::string_view format = "PNG");
    /// An SVG document of the given size showing `payload`.
    static std::string svg(PixelSize size, std::string_view payload);
    /// The format tag of encoded bytes ("PNG", "TIFF", ...), or "" when they
    /// are not a simulated image.
    static std::string formatOf(const Bytes& bytes);

    std::optional<Image> decode(const Bytes& bytes) const override;
    std::optional<Image> rasterizeSvg(std::string_view svg) const override;
    std::optional<PixelSize> pixelSize(const Bytes& bytes) const override;
    std::optional<Bytes> encodePng(const Image& image) const override;
    std::optional<Bytes> encodeTiff(const Image& image) const override;

    /// Makes every encoding fail, as when the platform cannot write a format.
    void setEncodingFails(bool fails) { encodingFails_ = fails; }

  private:
    std::optional<Bytes> encode(const Image& image, std::string_view format) const;

    std::atomic<bool> encodingFails_{false};
};

}  // namespace halvora::platform::sim
