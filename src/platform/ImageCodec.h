#pragma once

#include "platform/PlatformError.h"

#include <optional>
#include <string_view>

namespace halvora::platform {

struct PixelSize {
    int width = 0;
    int height = 0;

    bool operator==(const PixelSize&) const = default;
};

/// A decoded image. `pixels` is in the layout of the codec that made it; the
/// core never looks inside, it only hands images between codec, pasteboard
/// and barcode reader.
struct Image {
    PixelSize size;
    Bytes pixels;

    bool operator==(const Image&) const = default;
};

/// Image decoding and encoding. Thread-safe: used from the worker queue.
class ImageCodec {
  public:
    virtual ~ImageCodec() = default;

    /// Decodes any raster format the platform reads (PNG, JPEG, TIFF, GIF,
    /// HEIC where available) and SVG documents, which are rasterised at their
    /// own size. Nothing when the bytes are not a readable image.
    virtual std::optional<Image> decode(const Bytes& bytes) const = 0;

    /// Rasterises an SVG document at its own size.
    virtual std::optional<Image> rasterizeSvg(std::string_view svg) const = 0;

    /// The pixel size of encoded image bytes without decoding them fully.
    virtual std::optional<PixelSize> pixelSize(const Bytes& bytes) const = 0;

    virtual std::optional<Bytes> encodePng(const Image& image) const = 0;
    virtual std::optional<Bytes> encodeTiff(const Image& image) const = 0;
};

}  // namespace halvora::platform
