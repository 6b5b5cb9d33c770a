#include "qr/DynamicQR.h"
#include "qr/DynamicQRGenerator.h"

#include "TransferPayload.h"
#include "platform/InMemoryUserDefaults.h"
#include "platform/sim/SimBarcodeReader.h"
#include "platform/sim/SimHttpClient.h"
#include "platform/sim/SimImageCodec.h"
#include "platform/sim/SimMainQueue.h"
#include "platform/sim/SimWorkerQueue.h"
#include "qr/QRServiceError.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace halvora::qr {
namespace {

using platform::sim::SimImageCodec;

const char* const kDirectory =
    R"({"code":"00","data":[{"code":"VCB","bin":"970436","shortName":"Vietcombank","name":"N"}]})";
constexpr const char* kDirectoryURL = "https://api.vietqr.io/v2/banks";
constexpr const char* kImagePrefix = "https://img.vietqr.io/image/";

DynamicQRProfile profile() {
    return {"VCB", "0123456789", "Nguyễn Văn Đức", "150000", false, "Cảm ơn anh"};
}

/// The payload the image service would put in the code for `profile()` and `memo`.
std::string payloadFor(const std::string& memo) {
    return testing::transferPayload({"970436", "0123456789", "150000", memo});
}

/// Decodes anything but the PNG the service hands on, as a platform might
/// fail on an image it rasterised itself.
class PngBlindCodec final : public platform::ImageCodec {
  public:
    std::optional<platform::Image> decode(const platform::Bytes& bytes) const override {
        if (SimImageCodec::formatOf(bytes) == "PNG") {
            return std::nullopt;
        }
        return inner_.decode(bytes);
    }
    std::optional<platform::Image> rasterizeSvg(std::string_view svg) const override {
        return inner_.rasterizeSvg(svg);
    }
    std::optional<platform::PixelSize> pixelSize(const platform::Bytes& bytes) const override {
        return inner_.pixelSize(bytes);
    }
    std::optional<platform::Bytes> encodePng(const platform::Image& image) const override {
        return inner_.encodePng(image);
    }
    std::optional<platform::Bytes> encodeTiff(const platform::Image& image) const override {
        return inner_.encodeTiff(image);
    }

  private:
    SimImageCodec inner_;
};

TEST(DynamicQRTest, RequestCopiesTheProfileUnchanged) {
    EXPECT_EQ(DynamicQR::request(profile(), " memo "),
              (QRRequest{"VCB", "0123456789", "Nguyễn Văn Đức", "150000", " memo "}));
}

TEST(DynamicQRTest, PrepareReturnsTheVerifiedPngAndTheMemoAsGiven) {
    platform::sim::SimHttpClient http;
    SimImageCodec codec;
    platform::sim::SimBarcodeReader reader;
    http.scriptBody(kDirectoryURL, kDirectory);
    const std::string svg = SimImageCodec::svg({500, 500}, payloadFor("CAM ON ANH"));
    http.scriptBody(kImagePrefix, svg);
    const DynamicQRContent content =
        DynamicQR::prepare(profile(), "Cảm ơn anh", {http, codec, reader});
    EXPECT_EQ(content.memo, "Cảm ơn anh");  // not the normalised memo sent
    // The very bytes the service rasterised and read back, not a re-encoding.
    EXPECT_EQ(content.png, QRService::rasterize(platform::Bytes(svg.begin(), svg.end()), codec));
    const std::optional<platform::Image> image = codec.decode(content.png);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size, (platform::PixelSize{500, 500}));
    EXPECT_EQ(reader.readQRCodes(*image),
              platform::BarcodeResult(std::vector<std::string>{payloadFor("CAM ON ANH")}));
}

TEST(DynamicQRTest, AnUndecodablePngIsInvalidImage) {
    platform::sim::SimHttpClient http;
    PngBlindCodec codec;
    platform::sim::SimBarcodeReader reader;
    http.scriptBody(kDirectoryURL, kDirectory);
    http.scriptBody(kImagePrefix, SimImageCodec::svg({500, 500}, payloadFor("X")));
    try {
        DynamicQR::prepare(profile(), "X", {http, codec, reader});
        FAIL() << "no error";
    } catch (const QRServiceError& error) {
        EXPECT_EQ(error.kind(), QRServiceError::Kind::invalidImage);
    }
}

class DynamicQRGeneratorTest : public ::testing::Test {
  protected:
    platform::InMemoryUserDefaults defaults_;
    platform::sim::SimWorkerQueue worker_;
    platform::sim::SimMainQueue main_;
    platform::sim::SimHttpClient http_;
    SimImageCodec codec_;
    platform::sim::SimBarcodeReader reader_;

    DynamicQRGenerator::Ports ports() {
        return {defaults_, worker_, main_, http_, codec_, reader_};
    }

    /// Runs a preparation to its end the way the application does: worker,
    /// then main queue.
    std::vector<input::DynamicQRSource::Result> run(DynamicQRGenerator& generator,
                                                    const std::string& memo) {
        std::vector<input::DynamicQRSource::Result> results;
        generator.prepare(profile(), memo, [&](input::DynamicQRSource::Result r) {
            results.push_back(std::move(r));
        });
        EXPECT_TRUE(results.empty()) << "completed inside prepare";
        worker_.runAll();
        EXPECT_TRUE(results.empty()) << "completed on the worker";
        main_.runReady();
        return results;
    }
};

TEST_F(DynamicQRGeneratorTest, HandsTheImageBackOnTheMainQueue) {
    http_.scriptBody(kDirectoryURL, kDirectory);
    http_.scriptBody(kImagePrefix, SimImageCodec::svg({400, 400}, payloadFor("CAM ON")));
    DynamicQRGenerator generator(ports());
    const auto results = run(generator, "Cảm ơn");
    ASSERT_EQ(results.size(), 1u);
    ASSERT_TRUE(results[0].png);
    EXPECT_EQ(codec_.pixelSize(*results[0].png), (platform::PixelSize{400, 400}));
    EXPECT_EQ(results[0].errorDescription, "");
}

TEST_F(DynamicQRGeneratorTest, ErrorsCarryTheirDescriptions) {
    DynamicQRGenerator generator(ports());
    // Nothing scripted: the platform's own description of the network failure.
    auto results = run(generator, "");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_FALSE(results[0].png);
    EXPECT_EQ(results[0].errorDescription, platform::sim::SimHttpClient::unreachableDescription);

    // A QR error: its Vietnamese sentence.
    http_.scriptBody(kDirectoryURL, kDirectory);
    http_.scriptBody(kImagePrefix, SimImageCodec::svg({400, 400}, payloadFor("KHAC")));
    results = run(generator, "Cảm ơn");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_FALSE(results[0].png);
    EXPECT_EQ(results[0].errorDescription,
              "Nội dung đọc từ QR không khớp tài khoản, số tiền hoặc lời chúc đã nhập.");
}

TEST_F(DynamicQRGeneratorTest, EndpointsAreReadWhenTheGenerationStarts) {
    defaults_.set("qr.directoryURL", "http://127.0.0.1:8080");
    defaults_.set("qr.imageURL", "not a url");
    DynamicQRGenerator generator(ports());
    std::vector<input::DynamicQRSource::Result> results;
    generator.prepare(profile(), "", [&](auto r) { results.push_back(std::move(r)); });
    // A change made while the generation runs does not affect it.
    defaults_.set("qr.directoryURL", "http://127.0.0.1:9999");
    worker_.runAll();
    main_.runReady();
    ASSERT_EQ(http_.requests().size(), 1u);
    EXPECT_EQ(http_.requests()[0].url, "http://127.0.0.1:8080/v2/banks");
}

TEST_F(DynamicQRGeneratorTest, AResultStillArrivesAfterTheGeneratorIsGone) {
    http_.scriptBody(kDirectoryURL, kDirectory);
    http_.scriptBody(kImagePrefix, SimImageCodec::svg({400, 400}, payloadFor("")));
    std::vector<input::DynamicQRSource::Result> results;
    {
        DynamicQRGenerator generator(ports());
        generator.prepare(profile(), "", [&](auto r) { results.push_back(std::move(r)); });
    }
    worker_.runAll();
    main_.runReady();
    ASSERT_EQ(results.size(), 1u);
    EXPECT_TRUE(results[0].png);
}

TEST_F(DynamicQRGeneratorTest, NextWishMemoAdvancesTheStoredRotation) {
    DynamicQRGenerator generator(ports(), [](std::size_t bound) { return bound - 1; });
    EXPECT_EQ(generator.nextWishMemo(), "CHUC LUON THANH CONG");
    EXPECT_EQ(generator.nextWishMemo(), "MOT NGAY TUYET VOI");
    EXPECT_EQ(defaults_.stringValue("qr.lastWish"), "Một ngày tuyệt vời");
    EXPECT_EQ(defaults_.stringArrayValue("qr.remainingWishes")->size(), 28u);
}

}  // namespace
}  // namespace halvora::qr
