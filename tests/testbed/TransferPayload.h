#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace halvora::testbed {

/// What a Vietnamese interbank transfer QR code carries. Empty `amount` or
/// `memo` leave their fields out.
struct TransferDetails {
    std::string bin;
    std::string account;
    std::string amount;
    std::string memo;

    bool operator==(const TransferDetails&) const = default;
};

/// One field of the EMV merchant-presented format: two-digit id, two-digit
/// length in bytes, value. Values longer than 99 bytes cannot be written and
/// are cut to 99.
std::string emvField(std::string_view id, std::string_view value);

/// CRC-16/CCITT-FALSE: polynomial 0x1021, initial value 0xFFFF, no
/// reflection, no final xor.
std::uint16_t crc16CcittFalse(std::string_view bytes);

/// The payload a bank's app reads from a transfer QR code: format indicator,
/// point of initiation ("12" with an amount, "11" without), the NAPAS
/// interbank-transfer account (tag 38), currency 704, the amount, country VN,
/// the memo (tag 62, sub-tag 08) and the CRC of everything before it,
/// including the "6304" that introduces the CRC itself.
std::string transferPayload(const TransferDetails& details);

}  // namespace halvora::testbed
