#include "cli/LinkedMedia.h"

#include "cli/QrCommand.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/heif/HeifImageCodec.h"
#include "platform/qt/HeadlessGuiApplication.h"
#include "platform/qt/QtImageCodec.h"
#include "platform/zxing/ZXingBarcodeReader.h"
#include "qr/DynamicQRGenerator.h"

namespace halvora::cli {
namespace {

// The Qt and network machinery starts only when a script first pastes a QR
// snippet; the hosts come from "qr.directoryURL" / "qr.imageURL" when set.
class LazyRealQRSource final : public input::DynamicQRSource {
  public:
    LazyRealQRSource(platform::UserDefaults& defaults, platform::WorkerQueue& worker,
                     platform::MainQueue& main)
        : defaults_(defaults), worker_(worker), main_(main) {}

    std::string nextWishMemo() override { return generator().nextWishMemo(); }
    void prepare(const qr::DynamicQRProfile& profile, const std::string& memo,
                 Completion completion) override {
        generator().prepare(profile, memo, std::move(completion));
    }

  private:
    qr::DynamicQRGenerator& generator() {
        if (!generator_) {
            gui_ = std::make_unique<platform::qt::HeadlessGuiApplication>();
            generator_ = std::make_unique<qr::DynamicQRGenerator>(
                qr::DynamicQRGenerator::Ports{defaults_, worker_, main_, http_, codec_, reader_});
        }
        return *generator_;
    }

    platform::UserDefaults& defaults_;
    platform::WorkerQueue& worker_;
    platform::MainQueue& main_;
    std::unique_ptr<platform::qt::HeadlessGuiApplication> gui_;
    platform::curl::CurlHttpClient http_;
    platform::qt::QtImageCodec codec_;
    platform::zxing::ZXingBarcodeReader reader_;
    std::unique_ptr<qr::DynamicQRGenerator> generator_;
};

// Raster images need no Qt application object (only SVG text would). They
// are checked by decoding them on Qt's readers and libheif, without the
// codec's conversion of their pixels.
class RealImageCheck final : public backup::ImageCheck {
  public:
    RealImageCheck() : heif_(qt_) {}
    bool isImage(std::span<const std::uint8_t> bytes) const override {
        return heif_.isImage(bytes);
    }
    void prepare() const override { qt_.prepare(); }

  private:
    const platform::qt::QtImageCheck qt_;
    const platform::heif::HeifImageCheck heif_;
};

}  // namespace

std::unique_ptr<input::DynamicQRSource> LinkedMedia::makeQRSource(platform::UserDefaults& defaults,
                                                                  platform::WorkerQueue& worker,
                                                                  platform::MainQueue& main) {
    return std::make_unique<LazyRealQRSource>(defaults, worker, main);
}

std::unique_ptr<backup::ImageCheck> LinkedMedia::makeImageCheck() {
    return std::make_unique<RealImageCheck>();
}

int LinkedMedia::runQrCommand(const std::vector<std::string_view>& args, std::ostream& out,
                              std::ostream& err) {
    return cli::runQrCommand(args, out, err);
}

}  // namespace halvora::cli
