#pragma once

// `halvora qr`: generates a verified transfer QR for the stored account, the
// way a QR snippet's paste does, and writes it to a PNG file.

#include "platform/UserDefaults.h"
#include "qr/QRService.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace halvora::cli {

struct QrOptions {
    std::filesystem::path out = "halvora-qr.png";
    /// The memo to use instead of the profile's choice.
    std::optional<std::string> memo;
    /// The folder of the user-defaults file; the user's own file when absent.
    std::optional<std::filesystem::path> configFolder;

    friend bool operator==(const QrOptions&, const QrOptions&) = default;
};

/// The options, or the usage error's message.
std::variant<QrOptions, std::string> parseQrArguments(const std::vector<std::string_view>& args);

/// Generates the QR for the profile in `defaults` and writes the PNG. The memo
/// is `options.memo` when given, else the next greeting of the rotation when
/// the profile asks for one (the rotation advances), else the profile's
/// default memo. Prints "bank: ", "name: ", "memo: " and "png: " lines on
/// success and returns 0; prints "Tạo QR lỗi: " and the description on
/// failure and returns 1.
int runQr(const QrOptions& options, platform::UserDefaults& defaults,
          const qr::QRServicePorts& ports, std::ostream& out, std::ostream& err);

/// The whole command on the real network, image and barcode adapters and the
/// settings file. Returns the exit status (2 for a usage error).
int runQrCommand(const std::vector<std::string_view>& args, std::ostream& out, std::ostream& err);

}  // namespace halvora::cli
