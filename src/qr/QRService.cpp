#include "qr/QRService.h"

#include "qr/PlatformFailure.h"
#include "qr/QRServiceError.h"
#include "text/Unicode.h"
#include "util/Whitespace.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <variant>

namespace halvora::qr::QRService {
namespace {

using nlohmann::json;

constexpr const char* kBankMissing = "Nhập mã ngân hàng, ví dụ VCB.";
constexpr const char* kAccountRule = "Số tài khoản cần có 6–19 chữ hoặc số, không có dấu cách.";
constexpr const char* kNameRule = "Tên chủ tài khoản cần có 5–50 ký tự chữ không dấu.";
constexpr const char* kMemoRule = "Nội dung chuyển khoản cần có tối đa 25 ký tự chữ không dấu.";
constexpr const char* kAmountRule = "Số tiền cần là số dương tối đa 13 chữ số, hoặc để trống.";
constexpr const char* kNoURL = "Không tạo được địa chỉ QR.";
constexpr const char* kBankNotFound =
    "Không tìm thấy ngân hàng này. Nhập mã như VCB hoặc mã BIN 6 số.";

bool isAsciiLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isAsciiDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
bool isAsciiAlnum(unsigned char c) {
    return isAsciiLetter(c) || isAsciiDigit(c);
}
bool isAsciiAlnumOrSpace(unsigned char c) {
    return isAsciiAlnum(c) || c == ' ';
}

template <typename Predicate>
bool allBytes(std::string_view value, Predicate predicate) {
    return std::all_of(value.begin(), value.end(),
                       [&](char c) { return predicate(static_cast<unsigned char>(c)); });
}

bool lengthWithin(std::string_view value, std::size_t low, std::size_t high) {
    const std::size_t count = text::graphemeCount(value);
    return count >= low && count <= high;
}

std::string trimmed(std::string_view value) {
    return std::string(util::trimWhitespaceAndNewlines(value));
}

/// Upper case without a language's special rules, as bank codes are compared.
std::string upper(std::string_view value) {
    return text::uppercased(value, "");
}

/// Bytes as text, each malformed UTF-8 sequence replaced by U+FFFD.
std::string repairedUtf8(std::string_view bytes) {
    return text::toUtf8(text::toUtf32(bytes));
}

std::string_view asText(const platform::Bytes& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

/// A decimal length field: digits with an optional sign; nothing when it does
/// not parse or is negative.
std::optional<std::size_t> parseLength(std::string_view field) {
    bool negative = false;
    if (!field.empty() && (field.front() == '+' || field.front() == '-')) {
        negative = field.front() == '-';
        field.remove_prefix(1);
    }
    if (field.empty() || !allBytes(field, isAsciiDigit)) {
        return std::nullopt;
    }
    std::size_t value = 0;
    for (char c : field) {
        value = value * 10 + static_cast<std::size_t>(c - '0');
    }
    if (negative && value != 0) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> requiredString(const json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string()) {
        return std::nullopt;
    }
    return it->get<std::string>();
}

platform::HttpResponse fetch(platform::HttpClient& httpClient, std::string url) {
    platform::HttpRequest request;
    request.url = std::move(url);
    request.maxBodyBytes = maxBodyBytes;
    platform::HttpResult result = httpClient.get(request);
    if (auto* error = std::get_if<platform::PlatformError>(&result)) {
        throw PlatformFailure(std::move(*error));
    }
    return std::get<platform::HttpResponse>(std::move(result));
}

bool bodyAcceptable(const platform::HttpResponse& response) {
    return response.status == 200 && !response.bodyTooLarge && response.body.size() <= maxBodyBytes;
}

}  // namespace

std::string normalizedText(std::string_view value) {
    const std::string folded = text::removeVietnameseAccents(value);
    const std::string upperCased = text::uppercased(folded, "vi_VN");
    return trimmed(upperCased);
}

WorkingValues validated(const QRRequest& request) {
    WorkingValues values{trimmed(request.bankID), trimmed(request.accountNumber),
                         normalizedText(request.accountName), normalizedText(request.memo),
                         trimmed(request.amount)};
    if (values.bank.empty()) {
        throw QRServiceError::invalid(kBankMissing);
    }
    if (!lengthWithin(values.account, 6, 19) || !allBytes(values.account, isAsciiAlnum)) {
        throw QRServiceError::invalid(kAccountRule);
    }
    if (!lengthWithin(values.name, 5, 50) || !allBytes(values.name, isAsciiAlnumOrSpace)) {
        throw QRServiceError::invalid(kNameRule);
    }
    if (!lengthWithin(values.memo, 0, 25) || !allBytes(values.memo, isAsciiAlnumOrSpace)) {
        throw QRServiceError::invalid(kMemoRule);
    }
    if (!values.amount.empty() &&
        (!lengthWithin(values.amount, 1, 13) || !allBytes(values.amount, isAsciiDigit) ||
         values.amount.front() == '0')) {
        throw QRServiceError::invalid(kAmountRule);
    }
    return values;
}

std::optional<BanksResponse> decodeBanksResponse(std::string_view text) {
    const json document = json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (document.is_discarded() || !document.is_object()) {
        return std::nullopt;
    }
    BanksResponse response;
    const auto code = requiredString(document, "code");
    const auto data = document.find("data");
    if (!code || data == document.end() || !data->is_array()) {
        return std::nullopt;
    }
    response.code = *code;
    response.data.reserve(data->size());
    for (const json& entry : *data) {
        if (!entry.is_object()) {
            return std::nullopt;
        }
        auto bankCode = requiredString(entry, "code");
        auto bin = requiredString(entry, "bin");
        auto shortName = requiredString(entry, "shortName");
        auto name = requiredString(entry, "name");
        if (!bankCode || !bin || !shortName || !name) {
            return std::nullopt;
        }
        response.data.push_back(
            {std::move(*bankCode), std::move(*bin), std::move(*shortName), std::move(*name)});
    }
    return response;
}

std::optional<Bank> findBank(const std::vector<Bank>& banks, std::string_view query) {
    const std::string q = upper(query);
    for (const Bank& bank : banks) {
        if (bank.bin == q || upper(bank.code) == q || upper(bank.shortName) == q) {
            return bank;
        }
    }
    return std::nullopt;
}

Bank resolveBank(std::string_view query, platform::HttpClient& httpClient,
                 const QREndpoints& endpoints) {
    const std::optional<std::string> base = QREndpoints::normalizedBaseURL(endpoints.directoryURL);
    if (!base) {
        throw QRServiceError::invalid(kNoURL);
    }
    const platform::HttpResponse response = fetch(httpClient, *base + "/v2/banks");
    if (!bodyAcceptable(response)) {
        throw QRServiceError::serviceUnavailable();
    }
    const std::optional<BanksResponse> banks = decodeBanksResponse(asText(response.body));
    if (!banks || banks->code != "00") {
        throw QRServiceError::serviceUnavailable();
    }
    std::optional<Bank> bank = findBank(banks->data, query);
    if (!bank) {
        throw QRServiceError::invalid(kBankNotFound);
    }
    return std::move(*bank);
}

std::string percentEncoded(std::string_view value) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (isAsciiAlnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(hex[byte >> 4]);
            out.push_back(hex[byte & 0x0F]);
        }
    }
    return out;
}

std::string imageURL(const QREndpoints& endpoints, const Bank& bank, const WorkingValues& values) {
    const std::optional<std::string> base = QREndpoints::normalizedBaseURL(endpoints.imageURL);
    if (!base) {
        throw QRServiceError::invalid(kNoURL);
    }
    // The BIN comes from the directory, not from us: encoded so that it can
    // only ever be one path segment.
    std::string url = *base + "/image/" + percentEncoded(bank.bin) + "-" +
                      percentEncoded(values.account) + "-compact2.svg";
    url += "?accountName=" + percentEncoded(values.name);
    if (!values.memo.empty()) {
        url += "&addInfo=" + percentEncoded(values.memo);
    }
    if (!values.amount.empty()) {
        url += "&amount=" + percentEncoded(values.amount);
    }
    return url;
}

platform::Bytes rasterize(const platform::Bytes& image, const platform::ImageCodec& imageCodec) {
    const std::optional<platform::Image> decoded = imageCodec.decode(image);
    if (!decoded || decoded->size.width < minimumSide || decoded->size.height < minimumSide) {
        throw QRServiceError::invalidImage();
    }
    std::optional<platform::Bytes> png = imageCodec.encodePng(*decoded);
    if (!png || png->empty()) {
        throw QRServiceError::invalidImage();
    }
    return std::move(*png);
}

std::string qrPayload(const platform::Bytes& png, const platform::ImageCodec& imageCodec,
                      const platform::BarcodeReader& barcodeReader) {
    const std::optional<platform::Image> image = imageCodec.decode(png);
    if (!image) {
        throw QRServiceError::invalidImage();
    }
    platform::BarcodeResult result = barcodeReader.readQRCodes(*image);
    if (auto* error = std::get_if<platform::PlatformError>(&result)) {
        throw PlatformFailure(std::move(*error));
    }
    auto& payloads = std::get<std::vector<std::string>>(result);
    if (payloads.empty()) {
        throw QRServiceError::invalidImage();
    }
    return std::move(payloads.front());
}

std::optional<std::map<std::string, std::string>> parseTLV(std::string_view text) {
    std::map<std::string, std::string> result;
    std::size_t p = 0;
    while (p < text.size()) {
        if (text.size() - p < 4) {
            return std::nullopt;
        }
        const std::optional<std::size_t> length = parseLength(text.substr(p + 2, 2));
        if (!length || *length > text.size() - p - 4) {
            return std::nullopt;
        }
        const std::size_t end = p + 4 + *length;
        result[repairedUtf8(text.substr(p, 2))] = repairedUtf8(text.substr(p + 4, *length));
        p = end;
    }
    return result;
}

bool payloadMatches(std::string_view payload, std::string_view bankBIN, std::string_view account,
                    std::string_view amount, std::string_view memo) {
    const auto top = parseTLV(payload);
    if (!top) {
        return false;
    }
    const auto merchant = top->find("38");
    if (merchant == top->end()) {
        return false;
    }
    const auto merchantFields = parseTLV(merchant->second);
    if (!merchantFields) {
        return false;
    }
    const auto beneficiary = merchantFields->find("01");
    if (beneficiary == merchantFields->end()) {
        return false;
    }
    const auto inner = parseTLV(beneficiary->second);
    if (!inner) {
        return false;
    }
    const auto bin = inner->find("00");
    const auto accountField = inner->find("01");
    if (bin == inner->end() || bin->second != bankBIN || accountField == inner->end() ||
        accountField->second != account) {
        return false;
    }

    std::optional<std::string> payloadMemo;
    if (const auto additional = top->find("62"); additional != top->end()) {
        if (const auto fields = parseTLV(additional->second)) {
            if (const auto purpose = fields->find("08"); purpose != fields->end()) {
                payloadMemo = purpose->second;
            }
        }
    }
    if (memo.empty() ? (payloadMemo && !payloadMemo->empty()) : payloadMemo != memo) {
        return false;
    }

    const auto payloadAmount = top->find("54");
    if (amount.empty()) {
        return payloadAmount == top->end();
    }
    return payloadAmount != top->end() && payloadAmount->second == amount;
}

GeneratedQR generate(const QRRequest& request, const QRServicePorts& ports,
                     const QREndpoints& endpoints) {
    const WorkingValues values = validated(request);
    const Bank bank = resolveBank(values.bank, ports.httpClient, endpoints);
    const platform::HttpResponse response =
        fetch(ports.httpClient, imageURL(endpoints, bank, values));
    if (!bodyAcceptable(response) || response.body.empty()) {
        throw QRServiceError::serviceUnavailable();
    }
    platform::Bytes png = rasterize(response.body, ports.imageCodec);
    const std::string payload = qrPayload(png, ports.imageCodec, ports.barcodeReader);
    if (!payloadMatches(payload, bank.bin, values.account, values.amount, values.memo)) {
        throw QRServiceError::mismatchedQR();
    }
    return GeneratedQR{std::move(png), bank.shortName, values.name};
}

}  // namespace halvora::qr::QRService
