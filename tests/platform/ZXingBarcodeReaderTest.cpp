#include "platform/zxing/ZXingBarcodeReader.h"

#include "platform/qt/QtImageCodec.h"

#include "QrCode.h"
#include "TransferPayload.h"

#include <gtest/gtest.h>

namespace halvora::platform::zxing {
namespace {

using testbed::QrCode;

/// The code drawn straight into RGBA pixels, `scale` pixels a module, with
/// a four-module quiet zone; light modules are white, or transparent.
Image render(const QrCode& code, int scale, bool transparentLight = false) {
    const int side = (code.size() + 8) * scale;
    Image image{{side, side}, Bytes(static_cast<std::size_t>(side * side * 4))};
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool dark = code.dark(x / scale - 4, y / scale - 4);
            auto* p = image.pixels.data() + (static_cast<std::size_t>(y) * side + x) * 4;
            const std::uint8_t value = dark ? 0 : 255;
            p[0] = p[1] = p[2] = value;
            p[3] = dark || !transparentLight ? 255 : 0;
        }
    }
    return image;
}

std::vector<std::string> payloads(const BarcodeResult& result) {
    if (const auto* error = std::get_if<PlatformError>(&result)) {
        ADD_FAILURE() << error->localizedDescription;
        return {};
    }
    return std::get<std::vector<std::string>>(result);
}

class ReadBack : public testing::TestWithParam<std::string> {};

TEST_P(ReadBack, ReadsTheTextTheCodeWasMadeOf) {
    const auto code = QrCode::encode(GetParam());
    ASSERT_TRUE(code.has_value());
    const ZXingBarcodeReader reader;
    EXPECT_EQ(payloads(reader.readQRCodes(render(*code, 6))), std::vector<std::string>{GetParam()});
    EXPECT_EQ(payloads(reader.readQRCodes(render(*code, 4, true))),
              std::vector<std::string>{GetParam()});
}

INSTANTIATE_TEST_SUITE_P(
    , ReadBack,
    testing::Values(testbed::transferPayload({"970436", "0123456789", "150000", "CHUC MUNG"}),
                    testbed::transferPayload({"970415", "ABC123", "", ""}),
                    std::string("Chúc anh một ngày bình an"), std::string("x")));

TEST(ZXingBarcodeReaderTest, ImageWithoutACodeGivesNoPayload) {
    const ZXingBarcodeReader reader;
    Image white{{200, 200}, Bytes(200 * 200 * 4, 255)};
    EXPECT_EQ(payloads(reader.readQRCodes(white)), std::vector<std::string>{});
}

TEST(ZXingBarcodeReaderTest, PixelsOutsideTheLayoutAreAnError) {
    const ZXingBarcodeReader reader;
    EXPECT_TRUE(std::holds_alternative<PlatformError>(
        reader.readQRCodes(Image{{10, 10}, Bytes(10 * 10 * 3, 255)})));
    EXPECT_TRUE(std::holds_alternative<PlatformError>(reader.readQRCodes(Image{{0, 0}, {}})));
}

TEST(ZXingBarcodeReaderTest, ReadsTheTestBedsSvgThroughTheCodecAndAPngRoundTrip) {
    const std::string payload =
        testbed::transferPayload({"970422", "1234567890123456789", "9999999999999", "CAM ON ANH"});
    const auto code = QrCode::encode(payload);
    ASSERT_TRUE(code.has_value());
    const qt::QtImageCodec codec;
    const ZXingBarcodeReader reader;

    for (const auto& [w, h] : {std::pair{540, 540}, {400, 400}, {399, 520}}) {
        const std::string svg = code->svg(w, h);
        const auto image = codec.decode(Bytes(svg.begin(), svg.end()));
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->size, (PixelSize{w, h}));
        const auto png = codec.encodePng(*image);
        ASSERT_TRUE(png.has_value());
        const auto decoded = codec.decode(*png);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(payloads(reader.readQRCodes(*decoded)), std::vector<std::string>{payload})
            << w << "x" << h;
    }
}

}  // namespace
}  // namespace halvora::platform::zxing
