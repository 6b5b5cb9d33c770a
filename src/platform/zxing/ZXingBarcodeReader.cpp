#include "platform/zxing/ZXingBarcodeReader.h"

#include <ZXing/ReadBarcode.h>

#include <exception>

namespace halvora::platform::zxing {
namespace {

constexpr std::size_t bytesPerPixel = 4;

/// Luminance of each pixel laid over white, so that a code drawn on a
/// transparent background reads as it is seen.
std::vector<std::uint8_t> luminanceOverWhite(const Image& image) {
    const std::size_t count =
        static_cast<std::size_t>(image.size.width) * static_cast<std::size_t>(image.size.height);
    std::vector<std::uint8_t> luminance(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* pixel = image.pixels.data() + i * bytesPerPixel;
        // Rec. 601 luma weights scaled to 256 (77 + 150 + 29).
        const unsigned gray = (77u * pixel[0] + 150u * pixel[1] + 29u * pixel[2]) >> 8;
        const unsigned alpha = pixel[3];
        luminance[i] = static_cast<std::uint8_t>((gray * alpha + 255u * (255u - alpha)) / 255u);
    }
    return luminance;
}

}  // namespace

BarcodeResult ZXingBarcodeReader::readQRCodes(const Image& image) const {
    const auto [width, height] = image.size;
    if (width <= 0 || height <= 0 ||
        image.pixels.size() !=
            static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bytesPerPixel) {
        return PlatformError{"The image's pixel data does not match its size."};
    }
    try {
        const std::vector<std::uint8_t> luminance = luminanceOverWhite(image);
        const ZXing::ImageView view(luminance.data(), width, height, ZXing::ImageFormat::Lum);
        ZXing::DecodeHints hints;
        hints.setFormats(ZXing::BarcodeFormat::QRCode);
        hints.setTryHarder(true);
        hints.setTryRotate(true);
        std::vector<std::string> payloads;
        for (const auto& result : ZXing::ReadBarcodes(view, hints)) {
            if (result.isValid()) {
                payloads.push_back(result.text());
            }
        }
        return payloads;
    } catch (const std::exception& error) {
        return PlatformError{error.what()};
    }
}

}  // namespace halvora::platform::zxing
