#pragma once

// Turns one QRRequest into the PNG of a bank-transfer QR code that has been
// proved correct: the input is validated, the bank looked up in the online
// directory, the code fetched from the image service, rasterised, read back
// and compared with what was asked for. Nothing is cached and nothing is
// shared, so generations may run side by side on worker threads.
//
// Failures are thrown: QRServiceError for what the user must correct or the
// services got wrong, PlatformFailure for transport and barcode-reader errors
// with the platform's own description.

#include "platform/BarcodeReader.h"
#include "platform/HttpClient.h"
#include "platform/ImageCodec.h"
#include "qr/QREndpoints.h"
#include "qr/QRRequest.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::qr {

/// The ports a generation uses. They are called from the worker queue.
struct QRServicePorts {
    platform::HttpClient& httpClient;
    const platform::ImageCodec& imageCodec;
    const platform::BarcodeReader& barcodeReader;
};

namespace QRService {

/// One entry of the bank directory.
struct Bank {
    std::string code;
    std::string bin;
    std::string shortName;
    std::string name;

    friend bool operator==(const Bank&, const Bank&) = default;
};

/// The directory's envelope; "00" in `code` means success.
struct BanksResponse {
    std::string code;
    std::vector<Bank> data;

    friend bool operator==(const BanksResponse&, const BanksResponse&) = default;
};

/// The largest response body accepted; a longer one is refused before it is
/// decoded.
inline constexpr std::size_t maxBodyBytes = 3'000'000;
/// The smallest width and height of an accepted QR image.
inline constexpr int minimumSide = 400;

/// The accent-free upper-case form used for the holder name and the memo:
/// đ/Đ → d/D, diacritics folded, upper case, white space and line breaks
/// trimmed at both ends.
std::string normalizedText(std::string_view text);

/// The trimmed, normalised values a request is generated with.
struct WorkingValues {
    std::string bank;
    std::string account;
    std::string name;
    std::string memo;
    std::string amount;

    friend bool operator==(const WorkingValues&, const WorkingValues&) = default;
};

/// Trims and normalises the request, then checks each value in turn; throws
/// QRServiceError::invalid with the first rule broken.
WorkingValues validated(const QRRequest& request);

/// Decodes the directory's JSON; nothing unless every required field is
/// present with the right type.
std::optional<BanksResponse> decodeBanksResponse(std::string_view json);

/// The first bank whose BIN, code or short name (compared in upper case)
/// equals the query in upper case; nothing when none does.
std::optional<Bank> findBank(const std::vector<Bank>& banks, std::string_view query);

/// Fetches the directory and finds the bank. Throws PlatformFailure for a
/// transport error, QRServiceError otherwise.
Bank resolveBank(std::string_view query, platform::HttpClient& httpClient,
                 const QREndpoints& endpoints);

/// The image request's URL; throws QRServiceError::invalid when none can be
/// formed (an unusable image base URL).
std::string imageURL(const QREndpoints& endpoints, const Bank& bank, const WorkingValues& values);

/// Percent-encodes everything but the unreserved characters (letters,
/// digits, "-", ".", "_", "~").
std::string percentEncoded(std::string_view text);

/// Decodes an image (SVG included) and re-encodes it as PNG at its own pixel
/// size. Throws QRServiceError::invalidImage when it cannot be decoded or
/// encoded or is smaller than 400 pixels on either side.
platform::Bytes rasterize(const platform::Bytes& image, const platform::ImageCodec& imageCodec);

/// The text of the first QR code read from the PNG. Throws PlatformFailure
/// when the reader fails, QRServiceError::invalidImage when the PNG cannot be
/// decoded or shows no code.
std::string qrPayload(const platform::Bytes& png, const platform::ImageCodec& imageCodec,
                      const platform::BarcodeReader& barcodeReader);

/// One level of the EMV merchant-presented format: two-byte tag, two-byte
/// decimal length, value (lengths in bytes). A later repeat of a tag
/// overwrites the earlier one. Nothing when a length does not parse, is
/// negative or runs past the end.
std::optional<std::map<std::string, std::string>> parseTLV(std::string_view text);

/// True when the payload carries exactly this BIN and account (tag 38/01),
/// this memo (tag 62/08, absent or empty for an empty memo) and this amount
/// (tag 54, absent for an empty amount). The checksum is not examined.
bool payloadMatches(std::string_view payload, std::string_view bankBIN, std::string_view account,
                    std::string_view amount, std::string_view memo);

/// The whole generation. Blocks on the network: call it from the worker
/// queue.
GeneratedQR generate(const QRRequest& request, const QRServicePorts& ports,
                     const QREndpoints& endpoints = {});

}  // namespace QRService
}  // namespace halvora::qr
