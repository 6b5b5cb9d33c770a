#include "platform/qt/QtImageCodec.h"

#include "platform/qt/SafeSvg.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <QSvgRenderer>

#include <array>
#include <cstring>
#include <mutex>
#include <span>
#include <utility>

namespace halvora::platform::qt {
namespace {

constexpr int bytesPerPixel = 4;

/// A read-only QByteArray over bytes that outlive it.
QByteArray view(const char* data, std::size_t size) {
    return QByteArray::fromRawData(data, static_cast<qsizetype>(size));
}

QByteArray view(const Bytes& bytes) {
    return view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool acceptableSize(QSize size) {
    return size.width() > 0 && size.height() > 0 &&
           static_cast<long long>(size.width()) * size.height() <= QtImageCodec::maxPixels;
}

/// An SVG document: markup (no raster format begins with "<") that opens an
/// <svg> element somewhere, however long its preamble.
bool looksLikeSvg(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos || text[first] != '<') {
        return false;
    }
    return text.find("<svg", first) != std::string_view::npos;
}

bool hasText(std::string_view svg) {
    return svg.find("<text") != std::string_view::npos ||
           svg.find(":text") != std::string_view::npos;
}

bool fontsAvailable() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

/// The pixels as RGBA, converted in place when nothing else shares them,
/// and copied out once, without clearing the buffer first.
Image toImage(QImage source) {
    source.convertTo(QImage::Format_RGBA8888);
    const int width = source.width();
    const int height = source.height();
    const std::size_t rowBytes = static_cast<std::size_t>(width) * bytesPerPixel;
    const auto* bits = source.constBits();
    if (static_cast<std::size_t>(source.bytesPerLine()) == rowBytes) {
        return Image{{width, height},
                     Bytes(bits, bits + rowBytes * static_cast<std::size_t>(height))};
    }
    Image image{{width, height}, {}};
    image.pixels.reserve(rowBytes * static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        const auto* row = source.constScanLine(y);
        image.pixels.insert(image.pixels.end(), row, row + rowBytes);
    }
    return image;
}

/// A QImage over the image's pixels (no copy); a null image when the pixels
/// are not in this codec's layout.
QImage toQImage(const Image& image) {
    const auto [width, height] = image.size;
    if (width <= 0 || height <= 0 ||
        image.pixels.size() !=
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bytesPerPixel) {
        return {};
    }
    return QImage(image.pixels.data(), width, height, width * bytesPerPixel,
                  QImage::Format_RGBA8888);
}

std::optional<Bytes> encode(const Image& image, const char* format) {
    const QImage source = toQImage(image);
    if (source.isNull()) {
        return std::nullopt;
    }
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(source)) {
        return std::nullopt;
    }
    return Bytes(encoded.begin(), encoded.end());
}

}  // namespace

namespace {

/// What Qt's readers make of image bytes: the picture as the reader decodes
/// it (in the reader's own pixel format, into `raster`), the rendering of an
/// SVG document, or nothing. `autoTransform` applies a JPEG's orientation,
/// which turns the pixels but decodes nothing more.
enum class Reading { raster, svg, unreadable };

Reading readImage(const QtImageCodec& codec, std::span<const std::uint8_t> bytes,
                  bool autoTransform, QImage& raster, std::optional<Image>& svg) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (looksLikeSvg(text)) {
        svg = codec.rasterizeSvg(text);
        return svg ? Reading::svg : Reading::unreadable;
    }
    QByteArray data = view(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(autoTransform);
    if (reader.format().startsWith("svg")) {
        // Compressed SVG, which the sniffing above cannot see into: its
        // references cannot be checked without inflating it, so it is not
        // drawn at all (nothing the program takes in needs it).
        return Reading::unreadable;
    }
    const QSize announced = reader.size();
    if (announced.isValid() && !acceptableSize(announced)) {
        return Reading::unreadable;
    }
    if (!reader.read(&raster) || raster.isNull() || !acceptableSize(raster.size())) {
        return Reading::unreadable;
    }
    return Reading::raster;
}

}  // namespace

std::optional<Image> QtImageCodec::decode(const Bytes& bytes) const {
    QImage raster;
    std::optional<Image> svg;
    switch (readImage(*this, bytes, /*autoTransform=*/true, raster, svg)) {
        case Reading::raster:
            return toImage(std::move(raster));
        case Reading::svg:
            return svg;
        case Reading::unreadable:
            break;
    }
    return std::nullopt;
}

struct QtImageCheck::Scratch {
    /// One picture for each of a few callers at once.
    struct Slot {
        std::mutex mutex;
        QImage raster;
    };
    std::array<Slot, 4> pool;
};

QtImageCheck::QtImageCheck() : scratch_(std::make_unique<Scratch>()) {}

QtImageCheck::~QtImageCheck() = default;

void QtImageCheck::prepare() const {
    // Asking what can be read makes the plugin loader create every plugin.
    static_cast<void>(QImageReader::supportedImageFormats());
}

bool QtImageCheck::isImage(std::span<const std::uint8_t> bytes) const {
    // The reader decodes into the pixels of an image checked before when it
    // has the same size and format (as photos from one camera do): fresh
    // memory for every image cost more than the decoding on the development
    // machine. Only a moderate picture is kept between calls.
    constexpr qsizetype kKeptBytes = 64 << 20;
    const QtImageCodec codec;
    std::optional<Image> svg;
    for (Scratch::Slot& slot : scratch_->pool) {
        const std::unique_lock lock(slot.mutex, std::try_to_lock);
        if (!lock.owns_lock()) {
            continue;
        }
        const bool readable = readImage(codec, bytes, /*autoTransform=*/false, slot.raster, svg) !=
                              Reading::unreadable;
        if (slot.raster.sizeInBytes() > kKeptBytes) {
            slot.raster = QImage();
        }
        return readable;
    }
    QImage own;  // every slot is busy
    return readImage(codec, bytes, /*autoTransform=*/false, own, svg) != Reading::unreadable;
}

std::optional<Image> QtImageCodec::rasterizeSvg(std::string_view svg) const {
    if (hasText(svg) && !fontsAvailable()) {
        return std::nullopt;
    }
    return rasterize(view(svg.data(), svg.size()));
}

std::optional<Image> QtImageCodec::rasterize(const QByteArray& document) {
    // Drawn without any reference outside the document: an answer of the
    // QR service, like any other SVG, must not make the renderer read files.
    const std::optional<QByteArray> svg = withoutExternalReferences(document);
    if (!svg) {
        return std::nullopt;
    }
    QSvgRenderer renderer(*svg);
    if (!renderer.isValid() || !acceptableSize(renderer.defaultSize())) {
        return std::nullopt;
    }
    QImage canvas(renderer.defaultSize(), QImage::Format_ARGB32_Premultiplied);
    if (canvas.isNull()) {
        return std::nullopt;
    }
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        renderer.render(&painter);
    }
    return toImage(std::move(canvas));
}

std::optional<PixelSize> QtImageCodec::pixelSize(const Bytes& bytes) const {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (looksLikeSvg(text)) {
        const std::optional<QByteArray> svg = withoutExternalReferences(view(bytes));
        if (!svg) {
            return std::nullopt;
        }
        const QSvgRenderer renderer(*svg);
        const QSize size = renderer.defaultSize();
        if (!renderer.isValid() || !acceptableSize(size)) {
            return std::nullopt;
        }
        return PixelSize{size.width(), size.height()};
    }
    QByteArray data = view(bytes);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (!reader.canRead()) {
        return std::nullopt;
    }
    QSize size = reader.size();
    if (!size.isValid()) {
        // A format that cannot tell its size without decoding.
        size = reader.read().size();
    } else if (reader.transformation() & QImageIOHandler::TransformationRotate90) {
        size.transpose();
    }
    if (!acceptableSize(size)) {
        return std::nullopt;
    }
    return PixelSize{size.width(), size.height()};
}

std::optional<Bytes> QtImageCodec::encodePng(const Image& image) const {
    return encode(image, "png");
}

std::optional<Bytes> QtImageCodec::encodeTiff(const Image& image) const {
    return encode(image, "tiff");
}

}  // namespace halvora::platform::qt
