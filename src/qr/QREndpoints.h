#pragma once

#include "platform/UserDefaults.h"

#include <optional>
#include <string>
#include <string_view>

namespace halvora::qr {

/// Where the bank directory and the QR image service live. The request paths
/// ("/v2/banks", "/image/...") are fixed; the base URLs are deployment
/// settings that the user defaults "qr.directoryURL" and "qr.imageURL" may
/// override (a test server on loopback, a mirror).
struct QREndpoints {
    static constexpr std::string_view defaultDirectoryURL = "https://api.vietqr.io";
    static constexpr std::string_view defaultImageURL = "https://img.vietqr.io";

    static constexpr std::string_view directoryURLKey = "qr.directoryURL";
    static constexpr std::string_view imageURLKey = "qr.imageURL";

    /// Scheme, host, optional port and optional path prefix; no query.
    std::string directoryURL{defaultDirectoryURL};
    std::string imageURL{defaultImageURL};

    friend bool operator==(const QREndpoints&, const QREndpoints&) = default;

    /// The defaults, with each override that holds a non-empty string (after
    /// trimming) taken instead. Read on the main queue; the result is copied
    /// into the generation.
    static QREndpoints load(const platform::UserDefaults& defaults);

    /// `base` checked as an http or https URL with a host and no query or
    /// fragment, with trailing slashes removed; nothing when it is not one.
    static std::optional<std::string> normalizedBaseURL(std::string_view base);
};

}  // namespace halvora::qr
