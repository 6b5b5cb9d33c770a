// The read-back of a QR payload: the TLV parser either refuses the text or
// gives tags whose re-encoding (in tag order, with repeats overwritten) parses
// to the same map; the payload check never crashes and accepts a payload
// built from the values it is asked for (when they are valid UTF-8).

#include "FuzzSupport.h"
#include "qr/QRService.h"

#include <cstdio>

namespace {

std::string tlv(const std::string& tag, const std::string& value) {
    char length[8];
    std::snprintf(length, sizeof length, "%02zu", value.size());
    return tag + length + value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace halvora;
    fuzz::Input input(data, size);
    const std::string bin = input.string(12);
    const std::string account = input.string(24);
    const std::string amount = input.string(16);
    const std::string memo = input.string(30);
    const std::string_view payload = input.rest();

    if (const auto parsed = qr::QRService::parseTLV(payload)) {
        std::string rebuilt;
        bool fits = true;
        for (const auto& [tag, value] : *parsed) {
            // A tag of invalid UTF-8 is repaired like the values, and may grow.
            fits = fits && tag.size() == 2 && value.size() <= 99;
            rebuilt += tlv(tag, value);
        }
        if (fits) {
            fuzz::require(qr::QRService::parseTLV(rebuilt) == parsed, "re-encoded tags parse back");
        }
    }
    (void)qr::QRService::payloadMatches(payload, bin, account, amount, memo);

    // Values are compared after the parser repairs invalid UTF-8, so only
    // valid text is expected to come back unchanged.
    const bool text = fuzz::isValidUtf8(bin) && fuzz::isValidUtf8(account) &&
                      fuzz::isValidUtf8(amount) && fuzz::isValidUtf8(memo);
    if (text && bin.size() <= 99 && account.size() <= 99 && amount.size() <= 99 &&
        memo.size() <= 99) {
        const std::string merchant = tlv("00", bin) + tlv("01", account);
        const std::string inner = tlv("01", merchant);
        std::string built = tlv("00", "01") + tlv("38", inner);
        if (!amount.empty()) {
            built += tlv("54", amount);
        }
        if (!memo.empty()) {
            built += tlv("62", tlv("08", memo));
        }
        if (inner.size() <= 99 && tlv("08", memo).size() <= 99) {
            fuzz::require(qr::QRService::payloadMatches(built, bin, account, amount, memo),
                          "a payload of the asked values matches", built);
        }
    }
    return 0;
}
