#pragma once

// Test helpers: the payload a Vietnamese interbank transfer QR carries
// (EMV merchant-presented format), with a correct CRC-16/CCITT-FALSE.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace halvora::qr::testing {

/// Tag, two-digit byte length, value.
inline std::string tlv(std::string_view tag, std::string_view value) {
    char length[8];
    std::snprintf(length, sizeof length, "%02zu", value.size());
    return std::string(tag) + length + std::string(value);
}

/// Polynomial 0x1021, initial value 0xFFFF, no reflection, no final XOR.
inline std::uint16_t crc16CcittFalse(std::string_view bytes) {
    std::uint16_t crc = 0xFFFF;
    for (char c : bytes) {
        crc ^= static_cast<std::uint16_t>(static_cast<unsigned char>(c) << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
        }
    }
    return crc;
}

struct TransferFields {
    std::string bin = "970436";
    std::string account = "0123456789";
    std::string amount;
    std::string memo;
};

inline std::string transferPayload(const TransferFields& f) {
    std::string payload =
        tlv("00", "01") + tlv("01", f.amount.empty() ? "11" : "12") +
        tlv("38", tlv("00", "A000000727") + tlv("01", tlv("00", f.bin) + tlv("01", f.account)) +
                      tlv("02", "QRIBFTTA")) +
        tlv("53", "704");
    if (!f.amount.empty()) {
        payload += tlv("54", f.amount);
    }
    payload += tlv("58", "VN");
    if (!f.memo.empty()) {
        payload += tlv("62", tlv("08", f.memo));
    }
    payload += "6304";
    char crc[8];
    std::snprintf(crc, sizeof crc, "%04X", crc16CcittFalse(payload));
    return payload + crc;
}

}  // namespace halvora::qr::testing
