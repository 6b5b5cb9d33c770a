#include "qr/QREndpoints.h"

#include "util/Whitespace.h"

namespace halvora::qr {
namespace {

bool isHostByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == ':' || c == '[' || c == ']';
}

bool isPathByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/' || c == '%';
}

}  // namespace

QREndpoints QREndpoints::load(const platform::UserDefaults& defaults) {
    QREndpoints endpoints;
    const auto take = [&defaults](std::string_view key, std::string& target) {
        if (const auto value = defaults.stringValue(key)) {
            const std::string_view trimmed = util::trimWhitespaceAndNewlines(*value);
            if (!trimmed.empty()) {
                // Kept as written: an unusable override fails the generation
                // with a clear message instead of silently using the public
                // service.
                target = std::string(trimmed);
            }
        }
    };
    take(directoryURLKey, endpoints.directoryURL);
    take(imageURLKey, endpoints.imageURL);
    return endpoints;
}

std::optional<std::string> QREndpoints::normalizedBaseURL(std::string_view base) {
    std::string_view rest;
    if (base.starts_with("https://")) {
        rest = base.substr(8);
    } else if (base.starts_with("http://")) {
        rest = base.substr(7);
    } else {
        return std::nullopt;
    }
    const std::size_t slash = rest.find('/');
    const std::string_view authority = rest.substr(0, slash);
    const std::string_view path =
        slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    if (authority.empty() || authority.front() == ':') {
        return std::nullopt;
    }
    for (char c : authority) {
        if (!isHostByte(c)) {
            return std::nullopt;
        }
    }
    for (char c : path) {
        if (!isPathByte(c)) {
            return std::nullopt;
        }
    }
    std::string out(base.substr(0, base.size() - path.size()));
    std::string_view trimmedPath = path;
    while (!trimmedPath.empty() && trimmedPath.back() == '/') {
        trimmedPath.remove_suffix(1);
    }
    out += trimmedPath;
    return out;
}

}  // namespace halvora::qr
