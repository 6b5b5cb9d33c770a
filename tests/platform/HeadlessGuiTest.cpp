// Runs under a HeadlessGuiApplication, as the command-line tool and the
// desktop application do, with no display.

#include "platform/qt/HeadlessGuiApplication.h"
#include "platform/qt/QtImageCodec.h"
#include "platform/zxing/ZXingBarcodeReader.h"

#include "QrCode.h"
#include "TransferPayload.h"

#include <gtest/gtest.h>

#include <thread>

namespace halvora::platform::qt {
namespace {

TEST(HeadlessGuiTest, SvgTextIsRendered) {
    const QtImageCodec codec;
    const auto image = codec.rasterizeSvg(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"120\" height=\"40\">"
        "<text x=\"4\" y=\"30\" font-size=\"28\" fill=\"#000\">Halvora</text></svg>");
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->size, (PixelSize{120, 40}));
    std::size_t inked = 0;
    for (std::size_t i = 3; i < image->pixels.size(); i += 4) {
        inked += image->pixels[i] != 0;
    }
    EXPECT_GT(inked, 50u);
}

TEST(HeadlessGuiTest, SvgBehindALongPreambleIsRendered) {
    const std::string svg = "<?xml version=\"1.0\"?>\n<!--" + std::string(8000, 'x') +
                            "-->\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"30\" "
                            "height=\"20\"><text x=\"1\" y=\"15\">Hi</text></svg>";
    const QtImageCodec codec;
    const auto image = codec.decode(Bytes(svg.begin(), svg.end()));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->size, (PixelSize{30, 20}));
}

TEST(HeadlessGuiTest, DecodingAndReadingOnSeveralWorkersAtOnce) {
    const QtImageCodec codec;
    const zxing::ZXingBarcodeReader reader;
    std::vector<std::string> expected;
    std::vector<std::string> got(4);
    for (int i = 0; i < 4; ++i) {
        expected.push_back(
            testbed::transferPayload({"970436", "0123456789", std::to_string(1000 * (i + 1)),
                                      "LOI CHUC " + std::to_string(i)}));
    }
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        workers.emplace_back([&, i] {
            const std::string svg = testbed::QrCode::encode(expected[i])->svg(480, 480);
            const auto image = codec.decode(Bytes(svg.begin(), svg.end()));
            if (!image) {
                return;
            }
            const auto result = reader.readQRCodes(*image);
            if (const auto* found = std::get_if<std::vector<std::string>>(&result);
                found && found->size() == 1) {
                got[i] = found->front();
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace halvora::platform::qt

int main(int argc, char** argv) {
    const halvora::platform::qt::HeadlessGuiApplication application;
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
