#include "backup/Base64.h"

#include <array>
#include <cstdint>

namespace halvora::backup::Base64 {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::uint8_t kInvalid = 0xFF;

const std::array<std::uint8_t, 256>& decodingTable() {
    static const std::array<std::uint8_t, 256> table = [] {
        std::array<std::uint8_t, 256> t{};
        t.fill(kInvalid);
        for (std::size_t i = 0; i < kAlphabet.size(); ++i) {
            t[static_cast<unsigned char>(kAlphabet[i])] = static_cast<std::uint8_t>(i);
        }
        return t;
    }();
    return table;
}

}  // namespace

std::size_t encodedSize(std::size_t size) {
    return (size + 2) / 3 * 4;
}

void append(std::string& out, std::string_view bytes) {
    const std::size_t start = out.size();
    out.resize(start + encodedSize(bytes.size()));
    char* cursor = out.data() + start;
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t remaining = bytes.size();
    while (remaining >= 3) {
        const std::uint32_t group =
            (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
        cursor[0] = kAlphabet[(group >> 18) & 0x3F];
        cursor[1] = kAlphabet[(group >> 12) & 0x3F];
        cursor[2] = kAlphabet[(group >> 6) & 0x3F];
        cursor[3] = kAlphabet[group & 0x3F];
        cursor += 4;
        in += 3;
        remaining -= 3;
    }
    if (remaining > 0) {
        std::uint32_t group = std::uint32_t{in[0]} << 16;
        if (remaining == 2) {
            group |= std::uint32_t{in[1]} << 8;
        }
        cursor[0] = kAlphabet[(group >> 18) & 0x3F];
        cursor[1] = kAlphabet[(group >> 12) & 0x3F];
        cursor[2] = remaining == 2 ? kAlphabet[(group >> 6) & 0x3F] : '=';
        cursor[3] = '=';
    }
}

std::string encode(std::string_view bytes) {
    std::string out;
    append(out, bytes);
    return out;
}

std::optional<platform::Bytes> decode(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    if (text.empty()) {
        return platform::Bytes{};
    }
    std::size_t padding = 0;
    if (text.back() == '=') {
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    }
    const auto& table = decodingTable();
    platform::Bytes out(text.size() / 4 * 3 - padding);
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    std::uint8_t* cursor = out.data();
    const std::size_t fullGroups = text.size() / 4 - 1;  // the last one may be padded
    for (std::size_t g = 0; g < fullGroups; ++g, in += 4, cursor += 3) {
        const std::uint8_t a = table[in[0]];
        const std::uint8_t b = table[in[1]];
        const std::uint8_t c = table[in[2]];
        const std::uint8_t d = table[in[3]];
        if ((a | b | c | d) & 0x80) {  // kInvalid is the only value with the high bit
            return std::nullopt;
        }
        cursor[0] = static_cast<std::uint8_t>((a << 2) | (b >> 4));
        cursor[1] = static_cast<std::uint8_t>((b << 4) | (c >> 2));
        cursor[2] = static_cast<std::uint8_t>((c << 6) | d);
    }
    const std::uint8_t a = table[in[0]];
    const std::uint8_t b = table[in[1]];
    const std::uint8_t c = padding >= 2 ? 0 : table[in[2]];
    const std::uint8_t d = padding >= 1 ? 0 : table[in[3]];
    if ((a | b | c | d) & 0x80) {
        return std::nullopt;
    }
    // Bits that padding drops must be zero, or two texts would give the same
    // bytes.
    if ((padding == 2 && (b & 0x0F) != 0) || (padding == 1 && (c & 0x03) != 0)) {
        return std::nullopt;
    }
    cursor[0] = static_cast<std::uint8_t>((a << 2) | (b >> 4));
    if (padding < 2) {
        cursor[1] = static_cast<std::uint8_t>((b << 4) | (c >> 2));
    }
    if (padding < 1) {
        cursor[2] = static_cast<std::uint8_t>((c << 6) | d);
    }
    return out;
}

}  // namespace halvora::backup::Base64
