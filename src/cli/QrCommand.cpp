#include "cli/QrCommand.h"

#include "cli/ConfigCommand.h"
#include "platform/JsonFileUserDefaults.h"
#include "platform/curl/CurlHttpClient.h"
#include "platform/qt/HeadlessGuiApplication.h"
#include "platform/qt/QtImageCodec.h"
#include "platform/zxing/ZXingBarcodeReader.h"
#include "qr/DynamicQRProfile.h"
#include "qr/PlatformFailure.h"
#include "qr/QRServiceError.h"
#include "qr/WishGenerator.h"
#include "util/Files.h"

#include <exception>
#include <system_error>

namespace halvora::cli {
namespace {

constexpr const char* kUsage = "usage: halvora qr [--out FILE.png] [--memo TEXT] [--config DIR]";
constexpr const char* kFailurePrefix = "Tạo QR lỗi: ";
constexpr const char* kAccountMissing = "Nhập tài khoản trong mục QR chuyển khoản trước khi dán.";

int fail(std::ostream& err, const std::string& description) {
    err << kFailurePrefix << description << '\n';
    return 1;
}

}  // namespace

std::variant<QrOptions, std::string> parseQrArguments(const std::vector<std::string_view>& args) {
    QrOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--out" || arg == "--memo" || arg == "--config") {
            if (i + 1 >= args.size()) {
                return std::string(arg) + " needs a value";
            }
            const std::string_view value = args[++i];
            if (arg == "--out") {
                if (value.empty()) {
                    return std::string("--out needs a file name");
                }
                options.out = std::filesystem::path(value);
            } else if (arg == "--memo") {
                options.memo = std::string(value);
            } else {
                options.configFolder = std::filesystem::path(value);
            }
        } else {
            return "unknown argument '" + std::string(arg) + "'";
        }
    }
    return options;
}

int runQr(const QrOptions& options, platform::UserDefaults& defaults,
          const qr::QRServicePorts& ports, std::ostream& out, std::ostream& err) {
    const qr::DynamicQRProfile profile = qr::DynamicQRProfile::load(defaults);
    if (!profile.isConfigured()) {
        // Checked before the memo is chosen, so the rotation is not spent.
        return fail(err, kAccountMissing);
    }
    std::string memo = profile.defaultMemo;
    if (options.memo) {
        memo = *options.memo;
    } else if (profile.randomMemo) {
        memo = qr::WishGenerator::nextPaste(defaults).memo;
    }
    const qr::QRRequest request{profile.bankID, profile.accountNumber, profile.accountName,
                                profile.amount, memo};
    qr::GeneratedQR generated;
    try {
        generated = qr::QRService::generate(request, ports, qr::QREndpoints::load(defaults));
    } catch (const qr::QRServiceError& error) {
        return fail(err, error.localizedDescription());
    } catch (const qr::PlatformFailure& failure) {
        return fail(err, failure.localizedDescription());
    }
    try {
        util::writeFileAtomically(
            options.out, std::string_view(reinterpret_cast<const char*>(generated.png.data()),
                                          generated.png.size()));
    } catch (const std::system_error& error) {
        err << "halvora: qr: " << error.what() << '\n';
        return 1;
    }
    out << "bank: " << generated.bankName << '\n'
        << "name: " << generated.accountName << '\n'
        << "memo: " << qr::QRService::normalizedText(memo) << '\n'
        << "png: " << options.out.string() << '\n';
    return 0;
}

int runQrCommand(const std::vector<std::string_view>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage << '\n';
        return 0;
    }
    auto parsed = parseQrArguments(args);
    if (auto* message = std::get_if<std::string>(&parsed)) {
        err << "halvora: qr: " << *message << '\n' << kUsage << '\n';
        return 2;
    }
    const QrOptions& options = std::get<QrOptions>(parsed);
    const std::optional<std::filesystem::path> file = defaultsFile(options.configFolder);
    if (!file) {
        err << "halvora: qr: no settings folder is known; give --config DIR\n";
        return 1;
    }
    platform::StderrLog log;
    platform::JsonFileUserDefaults defaults(*file, log);
    try {
        platform::qt::HeadlessGuiApplication application;
        platform::curl::CurlHttpClient http;
        const platform::qt::QtImageCodec codec;
        const platform::zxing::ZXingBarcodeReader reader;
        return runQr(options, defaults, {http, codec, reader}, out, err);
    } catch (const std::exception& error) {
        // The network library could not start.
        err << "halvora: qr: " << error.what() << '\n';
        return 1;
    }
}

}  // namespace halvora::cli
