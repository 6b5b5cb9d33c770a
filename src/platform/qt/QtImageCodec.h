#pragma once

#include "backup/ImageCheck.h"
#include "platform/ImageCodec.h"

#include <memory>

class QByteArray;

namespace halvora::platform::qt {

/// Images on Qt 6's image readers and writers, and SVG on QtSvg.
///
/// The pixels of the images it makes are 8-bit RGBA, not premultiplied, row
/// after row from the top with no padding (Qt's Format_RGBA8888): four bytes a
/// pixel, width × height × 4 bytes in all. It reads images given in that
/// layout and nothing else.
///
/// No display is needed. Rendering an SVG that holds text needs Qt's font
/// database, which exists only once a QGuiApplication does (see
/// HeadlessGuiApplication); without one such documents are refused rather
/// than letting Qt abort the process. Thread-safe: every call works on its
/// own objects.
class QtImageCodec final : public ImageCodec {
  public:
    /// The largest image made, in pixels (256 MB of RGBA); larger documents
    /// and bitmaps count as unreadable.
    static constexpr long long maxPixels = 64LL * 1024 * 1024;

    std::optional<Image> decode(const Bytes& bytes) const override;
    std::optional<Image> rasterizeSvg(std::string_view svg) const override;
    std::optional<PixelSize> pixelSize(const Bytes& bytes) const override;
    std::optional<Bytes> encodePng(const Image& image) const override;
    std::optional<Bytes> encodeTiff(const Image& image) const override;

  private:
    /// Renders a plain SVG document at its own size, without any reference
    /// outside it (see withoutExternalReferences); compressed SVG is not
    /// drawn.
    static std::optional<Image> rasterize(const QByteArray& svg);
};

/// The backup image check on Qt's readers: the same reading as
/// QtImageCodec::decode (every pixel decoded, the same size limits, SVG
/// rendered), without converting the pixels to RGBA and copying them out,
/// which took twice as long as the decoding itself for large PNG files.
class QtImageCheck final : public backup::ImageCheck {
  public:
    QtImageCheck();
    ~QtImageCheck() override;

    bool isImage(std::span<const std::uint8_t> bytes) const override;
    /// Loads Qt's image plugins on the calling thread.
    void prepare() const override;

  private:
    /// The pixels of the last images checked, reused by the next ones of
    /// the same size; each taken by one call at a time.
    struct Scratch;
    std::unique_ptr<Scratch> scratch_;
};

}  // namespace halvora::platform::qt
