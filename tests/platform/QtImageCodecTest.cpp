#include "platform/qt/QtImageCodec.h"
#include "platform/qt/SafeSvg.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <stdlib.h>

namespace halvora::platform::qt {
namespace {

// A picture with four flat quadrants, so that lossy formats keep the colours
// recognisable: red, green / blue, white. Odd sizes catch row-padding slips.
constexpr int width = 37;
constexpr int height = 23;

QRgb quadrantColour(int x, int y) {
    if (y < height / 2) {
        return x < width / 2 ? qRgb(255, 0, 0) : qRgb(0, 255, 0);
    }
    return x < width / 2 ? qRgb(0, 0, 255) : qRgb(255, 255, 255);
}

Bytes encodedWithQt(const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, quadrantColour(x, y));
        }
    }
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format, 95)) << format;
    return Bytes(data.begin(), data.end());
}

std::array<int, 4> pixel(const Image& image, int x, int y) {
    const auto* p = image.pixels.data() + (static_cast<std::size_t>(y) * image.size.width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

class RasterFormat : public testing::TestWithParam<const char*> {};

TEST_P(RasterFormat, DecodesToRgbaAtItsOwnSize) {
    const Bytes bytes = encodedWithQt(GetParam());
    const QtImageCodec codec;

    EXPECT_EQ(codec.pixelSize(bytes), (PixelSize{width, height}));
    const auto image = codec.decode(bytes);
    ASSERT_TRUE(image.has_value());
    ASSERT_EQ(image->size, (PixelSize{width, height}));
    ASSERT_EQ(image->pixels.size(), std::size_t{width * height * 4});
    // The centre of each quadrant, with room for JPEG's losses.
    for (const auto& [x, y] : {std::pair{8, 5}, {28, 5}, {8, 17}, {28, 17}}) {
        const QRgb expected = quadrantColour(x, y);
        const auto got = pixel(*image, x, y);
        EXPECT_NEAR(got[0], qRed(expected), 24) << x << "," << y;
        EXPECT_NEAR(got[1], qGreen(expected), 24) << x << "," << y;
        EXPECT_NEAR(got[2], qBlue(expected), 24) << x << "," << y;
        EXPECT_EQ(got[3], 255);
    }
}

INSTANTIATE_TEST_SUITE_P(, RasterFormat, testing::Values("PNG", "JPEG", "TIFF"));

Image gradient(int w, int h, bool opaque) {
    Image image{{w, h}, Bytes(static_cast<std::size_t>(w * h * 4))};
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        image.pixels[i] = static_cast<std::uint8_t>(i * 7);
        image.pixels[i + 1] = static_cast<std::uint8_t>(i * 13 + 5);
        image.pixels[i + 2] = static_cast<std::uint8_t>(i / 4);
        image.pixels[i + 3] = opaque ? 255 : static_cast<std::uint8_t>(i * 3 + 1);
    }
    return image;
}

TEST(QtImageCodecTest, PngRoundTripKeepsEveryPixelIncludingAlpha) {
    const QtImageCodec codec;
    const Image original = gradient(19, 11, false);
    const auto png = codec.encodePng(original);
    ASSERT_TRUE(png.has_value());
    ASSERT_GE(png->size(), 8u);
    EXPECT_EQ(std::string(png->begin() + 1, png->begin() + 4), "PNG");
    EXPECT_EQ(codec.decode(*png), original);
}

TEST(QtImageCodecTest, TiffRoundTripKeepsOpaquePixels) {
    const QtImageCodec codec;
    const Image original = gradient(19, 11, true);
    const auto tiff = codec.encodeTiff(original);
    ASSERT_TRUE(tiff.has_value());
    EXPECT_EQ(codec.pixelSize(*tiff), (PixelSize{19, 11}));
    EXPECT_EQ(codec.decode(*tiff), original);
}

TEST(QtImageCodecTest, EncodingRefusesPixelsThatDoNotMatchTheSize) {
    const QtImageCodec codec;
    Image image = gradient(4, 4, true);
    image.pixels.pop_back();
    EXPECT_EQ(codec.encodePng(image), std::nullopt);
    EXPECT_EQ(codec.encodeTiff(Image{{0, 0}, {}}), std::nullopt);
}

TEST(QtImageCodecTest, SvgIsRasterisedAtItsOwnSize) {
    const QtImageCodec codec;
    // Left half red, right half left transparent.
    const std::string svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"123\" height=\"45\">"
        "<rect x=\"0\" y=\"0\" width=\"61\" height=\"45\" fill=\"#ff0000\"/></svg>";
    const auto image = codec.rasterizeSvg(svg);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->size, (PixelSize{123, 45}));
    EXPECT_EQ(pixel(*image, 10, 20), (std::array{255, 0, 0, 255}));
    EXPECT_EQ(pixel(*image, 100, 20)[3], 0);

    // decode() recognises SVG bytes, prologue and byte-order mark included.
    const std::string document = "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n" + svg;
    const Bytes bytes(document.begin(), document.end());
    EXPECT_EQ(codec.decode(bytes), image);
    EXPECT_EQ(codec.pixelSize(bytes), (PixelSize{123, 45}));
}

TEST(QtImageCodecTest, SvgIsDrawnWithoutAnythingOutsideTheDocument) {
    // A red picture on the disk, and SVG documents (as a QR service could
    // answer) that try to draw it over a transparent canvas.
    const QtImageCodec codec;
    const Bytes red = encodedWithQt("PNG");  // its top left quadrant is red
    char folderTemplate[] = "/tmp/halvora-svg-XXXXXX";
    ASSERT_NE(::mkdtemp(folderTemplate), nullptr);
    const std::string folder = folderTemplate;
    const std::string file = folder + "/red.png";
    {
        QFile out(QString::fromStdString(file));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(reinterpret_cast<const char*>(red.data()), static_cast<qint64>(red.size()));
    }
    const std::string redBase64 =
        QByteArray(reinterpret_cast<const char*>(red.data()), static_cast<qsizetype>(red.size()))
            .toBase64()
            .toStdString();
    const auto document = [](const std::string& image) {
        return "<svg xmlns=\"http://www.w3.org/2000/svg\" "
               "xmlns:xlink=\"http://www.w3.org/1999/xlink\" width=\"30\" height=\"20\">" +
               image + "</svg>";
    };
    const auto imageOf = [](const std::string& attribute, const std::string& reference) {
        return "<image x=\"0\" y=\"0\" width=\"30\" height=\"20\" " + attribute + "=\"" +
               reference + "\"/>";
    };
    const std::string nested =
        QByteArray::fromStdString(document(imageOf("xlink:href", file))).toBase64().toStdString();
    const std::vector<std::string> hostile = {
        document(imageOf("xlink:href", file)),
        document(imageOf("href", file)),
        document(imageOf("xlink:href", "file://" + file)),
        document(imageOf("xlink:href", "&#x2F;" + file.substr(1))),
        document(imageOf("xlink:href", "data:image/svg+xml;base64," + nested)),
        "<!DOCTYPE svg [<!ENTITY where \"" + file + "\">]>" +
            document(imageOf("xlink:href", "&where;")),
    };
    for (const std::string& svg : hostile) {
        SCOPED_TRACE(svg);
        const auto image = codec.rasterizeSvg(svg);
        if (image) {
            EXPECT_EQ(pixel(*image, 5, 5)[3], 0) << "the local file was drawn";
        }
    }
    // An embedded picture is drawn: the check above would see one.
    const auto embedded =
        codec.rasterizeSvg(document(imageOf("xlink:href", "data:image/png;base64," + redBase64)));
    ASSERT_TRUE(embedded.has_value());
    EXPECT_EQ(pixel(*embedded, 5, 5), (std::array{255, 0, 0, 255}));
    std::filesystem::remove_all(folder);
}

TEST(QtImageCodecTest, CssReferencesOutOfTheDocumentAreDropped) {
    // Every target outside the document is spelled with "secret" in it.
    const auto document = [](const std::string& body) {
        return QByteArray::fromStdString(
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"30\" height=\"20\">"
            "<linearGradient id=\"g\"><stop offset=\"0\" stop-color=\"red\"/></linearGradient>" +
            body + "</svg>");
    };
    const std::string rect = "<rect width=\"30\" height=\"20\" ";
    const std::vector<std::string> hostile = {
        rect + "style=\"fill:url(file:///tmp/secret.svg#p)\"/>",
        rect + "style=\"fill: URL( 'http://secret.example/p.svg#p' ) red\"/>",
        rect + "style='fill:url(\"/tmp/secret.svg#p\")'/>",
        rect + "style=\"fill:u\\72 l(/tmp/secret.svg#p)\"/>",
        rect + "style=\"fill:\\u\\r\\l(/tmp/secret.svg#p)\"/>",
        rect + "style=\"fill:url(/tmp/secret.svg#p\"/>",  // never closed
        rect + "fill=\"url(/tmp/secret.svg#p)\" filter=\"url(http://secret/f#f)\"/>",
        "<style>rect{fill:url(/tmp/secret.svg#p)}</style>" + rect + "/>",
        "<style><![CDATA[rect{fill:u]]>rl(/tmp/secret.svg#p)}</style>" + rect + "/>",
        "<style>rect{fill:u<b/>rl(/tmp/secret.svg#p)}</style>" + rect + "/>",
        "<style>@import url(/tmp/secret.css); rect{fill:red}</style>" + rect + "/>",
        "<style>@IMPORT \"/tmp/secret.css\";</style>" + rect + "/>",
        "<style>\\@import '/tmp/secret.css';</style>" + rect + "/>",
    };
    for (const std::string& body : hostile) {
        SCOPED_TRACE(body);
        const std::optional<QByteArray> safe = withoutExternalReferences(document(body));
        ASSERT_TRUE(safe.has_value());
        EXPECT_FALSE(safe->contains("secret")) << safe->toStdString();
        EXPECT_TRUE(safe->contains("<rect")) << "the drawing itself stays";
    }
    const std::optional<QByteArray> plain =
        withoutExternalReferences(document(rect + "id=\"a\\b\" class=\"url\"/>"));
    ASSERT_TRUE(plain.has_value());
    EXPECT_TRUE(plain->contains("id=\"a\\b\" class=\"url\"")) << "no CSS, nothing changed";
    // A fragment of the document stays, and draws.
    for (const std::string& body : {rect + "style=\"fill:url(#g)\"/>", rect + "fill=\"url(#g)\"/>",
                                    "<style>rect{fill:url(#g)}</style>" + rect + "/>"}) {
        SCOPED_TRACE(body);
        const auto image = QtImageCodec().rasterizeSvg(document(body).toStdString());
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(pixel(*image, 5, 5), (std::array{255, 0, 0, 255}));
    }
}

TEST(QtImageCodecTest, SvgWithOnlyAViewBoxTakesItsSizeFromIt) {
    const QtImageCodec codec;
    const auto image = codec.rasterizeSvg(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 80 60\">"
        "<rect width=\"80\" height=\"60\" fill=\"#000\"/></svg>");
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->size, (PixelSize{80, 60}));
    EXPECT_EQ(pixel(*image, 79, 59), (std::array{0, 0, 0, 255}));
}

TEST(QtImageCodecTest, HugeSvgIsRefusedInsteadOfAllocated) {
    const QtImageCodec codec;
    const std::string svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"100000\" height=\"100000\">"
        "<rect width=\"10\" height=\"10\"/></svg>";
    EXPECT_EQ(codec.rasterizeSvg(svg), std::nullopt);
    EXPECT_EQ(codec.pixelSize(Bytes(svg.begin(), svg.end())), std::nullopt);
}

TEST(QtImageCodecTest, SvgTextWithoutAGuiApplicationIsRefusedNotFatal) {
    // This binary never makes a QGuiApplication; Qt would abort on the font.
    const QtImageCodec codec;
    EXPECT_EQ(codec.rasterizeSvg("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"50\" "
                                 "height=\"20\"><text x=\"1\" y=\"15\">Hi</text></svg>"),
              std::nullopt);
}

TEST(QtImageCodecTest, SvgBehindALongPreambleIsStillSeenAsSvg) {
    // Text far into the document is found too: refused without a
    // QGuiApplication instead of handed to Qt's font code.
    const std::string svg = "<?xml version=\"1.0\"?>\n<!--" + std::string(8000, 'x') +
                            "-->\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"30\" "
                            "height=\"20\"><text x=\"1\" y=\"15\">Hi</text></svg>";
    const QtImageCodec codec;
    EXPECT_EQ(codec.decode(Bytes(svg.begin(), svg.end())), std::nullopt);

    const std::string shapes = "<?xml version=\"1.0\"?>\n<!--" + std::string(8000, 'x') +
                               "-->\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"30\" "
                               "height=\"20\"><rect width=\"5\" height=\"5\"/></svg>";
    const auto image = codec.decode(Bytes(shapes.begin(), shapes.end()));
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->size, (PixelSize{30, 20}));
}

TEST(QtImageCodecTest, GarbageIsNotAnImage) {
    const QtImageCodec codec;
    const Bytes png = encodedWithQt("PNG");
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"empty", {}},
        {"text", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}},
        {"truncated png", Bytes(png.begin(), png.begin() + 24)},
        {"broken svg", Bytes{'<', 's', 'v', 'g', ' ', 'w', 'i', 'd', 't', 'h', '=', '"', '1'}},
        {"xml but not svg", Bytes{'<', 'a', '>', '<', '/', 'a', '>'}},
        {"zero bytes", Bytes(64, 0)},
    };
    for (const auto& [name, bytes] : cases) {
        EXPECT_EQ(codec.decode(bytes), std::nullopt) << name;
        EXPECT_EQ(codec.pixelSize(bytes), std::nullopt) << name;
    }
}

}  // namespace
}  // namespace halvora::platform::qt
