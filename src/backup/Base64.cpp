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
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=') {
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    }
    const auto& table = decodingTable();
    platform::Bytes out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        std::array<std::uint8_t, 4> values{};
        for (std::size_t k = 0; k < 4; ++k) {
            const char c = text[i + k];
            if (last && c == '=' && k >= 4 - padding) {
                values[k] = 0;
                continue;
            }
            values[k] = table[static_cast<unsigned char>(c)];
            if (values[k] == kInvalid) {
                return std::nullopt;
            }
        }
        const std::uint32_t group = (std::uint32_t{values[0]} << 18) |
                                    (std::uint32_t{values[1]} << 12) |
                                    (std::uint32_t{values[2]} << 6) | values[3];
        out.push_back(static_cast<std::uint8_t>(group >> 16));
        if (!last || padding < 2) {
            out.push_back(static_cast<std::uint8_t>((group >> 8) & 0xFF));
        }
        if (!last || padding < 1) {
            out.push_back(static_cast<std::uint8_t>(group & 0xFF));
        }
        // Bits that padding drops must be zero, or two texts would give the
        // same bytes.
        if (last && padding == 2 && (values[1] & 0x0F) != 0) {
            return std::nullopt;
        }
        if (last && padding == 1 && (values[2] & 0x03) != 0) {
            return std::nullopt;
        }
    }
    return out;
}

}  // namespace halvora::backup::Base64
