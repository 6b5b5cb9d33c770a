// Speed of one whole transfer-QR generation on the real adapters (libcurl,
// Qt, zxing-cpp) against the loopback bank directory and image service, and
// of each of its steps, to show where the time goes. BM_PrepareAndCopy goes
// on to the clipboard, as a paste does: under an X server ($DISPLAY, e.g.
// xvfb-run) through this program's own X11 owner, else Qt's clipboard.

#include "qr/DynamicQR.h"
#include "qr/QRService.h"

#include "TestBedServer.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/qt/HeadlessGuiApplication.h"
#include "platform/qt/QtImageCodec.h"
#include "platform/qt/QtPasteboard.h"
#include "platform/qt/XcbClipboard.h"
#include "platform/zxing/ZXingBarcodeReader.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace halvora;

struct Bed {
    testbed::TestBedServer server;
    platform::curl::CurlHttpClient http;
    platform::qt::QtImageCodec codec;
    platform::zxing::ZXingBarcodeReader reader;

    qr::QRServicePorts ports() { return {http, codec, reader}; }
    qr::QREndpoints endpoints() const { return {server.baseUrl(), server.baseUrl()}; }
};

const qr::QRRequest kRequest{"VCB", "0123456789", "Nguyễn Văn Đức", "150000", "Cảm ơn anh"};

void BM_Generate(benchmark::State& state) {
    Bed bed;
    for (auto _ : state) {
        qr::GeneratedQR qr = qr::QRService::generate(kRequest, bed.ports(), bed.endpoints());
        benchmark::DoNotOptimize(qr.png.data());
    }
}

void BM_PrepareAndCopy(benchmark::State& state) {
    Bed bed;
    platform::qt::QtPasteboard pasteboard(platform::qt::XcbClipboard::open());
    const qr::DynamicQRProfile profile{
        kRequest.bankID, kRequest.accountNumber, kRequest.accountName, kRequest.amount, false, ""};
    for (auto _ : state) {
        qr::DynamicQRContent content =
            qr::DynamicQR::prepare(profile, kRequest.memo, bed.ports(), bed.endpoints());
        pasteboard.clear();
        pasteboard.write({platform::PasteboardItem{
            {platform::PasteboardRepresentation::image(std::move(content.png))}}});
    }
}

void BM_ResolveBank(benchmark::State& state) {
    Bed bed;
    for (auto _ : state) {
        qr::QRService::Bank bank = qr::QRService::resolveBank("VCB", bed.http, bed.endpoints());
        benchmark::DoNotOptimize(bank.bin.data());
    }
}

/// The URL the generation asks the image service for.
std::string imageURL(const Bed& bed) {
    const auto values = qr::QRService::validated(kRequest);
    return qr::QRService::imageURL(bed.endpoints(), {"VCB", "970436", "Vietcombank", "N"}, values);
}

platform::Bytes fetchImage(Bed& bed) {
    platform::HttpRequest request;
    request.url = imageURL(bed);
    request.maxBodyBytes = qr::QRService::maxBodyBytes;
    return std::get<platform::HttpResponse>(bed.http.get(request)).body;
}

void BM_FetchImage(benchmark::State& state) {
    Bed bed;
    for (auto _ : state) {
        platform::Bytes body = fetchImage(bed);
        benchmark::DoNotOptimize(body.data());
    }
}

void BM_Rasterize(benchmark::State& state) {
    Bed bed;
    const platform::Bytes svg = fetchImage(bed);
    for (auto _ : state) {
        platform::Bytes png = qr::QRService::rasterize(svg, bed.codec);
        benchmark::DoNotOptimize(png.data());
    }
}

void BM_RenderSvg(benchmark::State& state) {
    Bed bed;
    const platform::Bytes svg = fetchImage(bed);
    for (auto _ : state) {
        auto image = bed.codec.decode(svg);
        benchmark::DoNotOptimize(image->pixels.data());
    }
}

void BM_ReadBack(benchmark::State& state) {
    Bed bed;
    const platform::Bytes png = qr::QRService::rasterize(fetchImage(bed), bed.codec);
    for (auto _ : state) {
        std::string payload = qr::QRService::qrPayload(png, bed.codec, bed.reader);
        benchmark::DoNotOptimize(payload.data());
    }
}

void BM_DecodePng(benchmark::State& state) {
    Bed bed;
    const platform::Bytes png = qr::QRService::rasterize(fetchImage(bed), bed.codec);
    for (auto _ : state) {
        auto image = bed.codec.decode(png);
        benchmark::DoNotOptimize(image->pixels.data());
    }
}

#define QR_BENCH(name)                  \
    BENCHMARK(name)                     \
        ->Unit(benchmark::kMillisecond) \
        ->UseRealTime()                 \
        ->Repetitions(5)                \
        ->ReportAggregatesOnly(true)

QR_BENCH(BM_Generate);
QR_BENCH(BM_PrepareAndCopy);
QR_BENCH(BM_ResolveBank);
QR_BENCH(BM_FetchImage);
QR_BENCH(BM_Rasterize);
QR_BENCH(BM_RenderSvg);
QR_BENCH(BM_ReadBack);
QR_BENCH(BM_DecodePng);

}  // namespace

int main(int argc, char** argv) {
    // Qt's font database (SVG text) exists only with a GUI application.
    halvora::platform::qt::HeadlessGuiApplication application;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
