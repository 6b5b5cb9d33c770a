#include "TransferPayload.h"

#include <cstdio>

namespace halvora::testbed {

std::string emvField(std::string_view id, std::string_view value) {
    if (value.size() > 99) {
        value = value.substr(0, 99);
    }
    char length[3];
    std::snprintf(length, sizeof length, "%02zu", value.size());
    std::string field(id);
    field += length;
    field += value;
    return field;
}

std::uint16_t crc16CcittFalse(std::string_view bytes) {
    std::uint16_t crc = 0xFFFF;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint16_t>(static_cast<unsigned char>(c) << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? static_cast<std::uint16_t>((crc << 1) ^ 0x1021)
                                 : static_cast<std::uint16_t>(crc << 1);
        }
    }
    return crc;
}

std::string transferPayload(const TransferDetails& details) {
    const std::string beneficiary = emvField("00", details.bin) + emvField("01", details.account);
    const std::string account =
        emvField("00", "A000000727") + emvField("01", beneficiary) + emvField("02", "QRIBFTTA");
    std::string payload = emvField("00", "01");
    payload += emvField("01", details.amount.empty() ? "11" : "12");
    payload += emvField("38", account);
    payload += emvField("53", "704");
    if (!details.amount.empty()) {
        payload += emvField("54", details.amount);
    }
    payload += emvField("58", "VN");
    if (!details.memo.empty()) {
        payload += emvField("62", emvField("08", details.memo));
    }
    payload += "6304";
    char crc[5];
    std::snprintf(crc, sizeof crc, "%04X", static_cast<unsigned>(crc16CcittFalse(payload)));
    payload += crc;
    return payload;
}

}  // namespace halvora::testbed
