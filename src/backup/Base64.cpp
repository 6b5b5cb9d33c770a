#include "backup/Base64.h"

#include <array>
#include <bit>
#include <cstring>

namespace halvora::backup::Base64 {
namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

/// The two characters of every 12-bit value, as they lie in memory: three
/// input bytes are two look-ups and two stores.
constexpr std::array<std::uint16_t, 4096> kPairs = [] {
    std::array<std::uint16_t, 4096> table{};
    for (std::size_t i = 0; i < 4096; ++i) {
        const auto first =
            static_cast<std::uint16_t>(static_cast<unsigned char>(kAlphabet[i >> 6]));
        const auto second =
            static_cast<std::uint16_t>(static_cast<unsigned char>(kAlphabet[i & 0x3F]));
        table[i] = std::endian::native == std::endian::little
                       ? static_cast<std::uint16_t>(first | (second << 8))
                       : static_cast<std::uint16_t>((first << 8) | second);
    }
    return table;
}();

/// Set in a decoding table for every character outside the alphabet; above
/// the 24 bits that four valid characters make.
constexpr std::uint32_t kInvalid = 0x0100'0000;

/// One table per position in a group of four characters, each holding the
/// character's six bits already shifted into place: a group is the OR of
/// four look-ups, and an invalid character anywhere sets kInvalid.
struct DecodingTables {
    std::array<std::uint32_t, 256> position[4];
};

constexpr DecodingTables kDecoding = [] {
    DecodingTables tables{};
    for (auto& table : tables.position) {
        table.fill(kInvalid);
    }
    for (std::uint32_t i = 0; i < kAlphabet.size(); ++i) {
        const auto c = static_cast<unsigned char>(kAlphabet[i]);
        tables.position[0][c] = i << 18;
        tables.position[1][c] = i << 12;
        tables.position[2][c] = i << 6;
        tables.position[3][c] = i;
    }
    return tables;
}();

inline void putPair(char* out, std::uint32_t twelveBits) {
    std::memcpy(out, &kPairs[twelveBits], 2);
}

inline std::uint64_t byteSwapped(std::uint64_t word) {
#if defined(__GNUC__) || defined(__clang__)
    return __builtin_bswap64(word);
#else
    std::uint64_t swapped = 0;
    for (int i = 0; i < 8; ++i) {
        swapped = (swapped << 8) | ((word >> (8 * i)) & 0xFF);
    }
    return swapped;
#endif
}

/// Eight bytes as one big-endian number.
inline std::uint64_t loadBigEndian(const std::uint8_t* in) {
    std::uint64_t word = 0;
    std::memcpy(&word, in, sizeof word);
    if constexpr (std::endian::native == std::endian::little) {
        word = byteSwapped(word);
    }
    return word;
}

/// Eight bytes, the most significant first.
inline void storeBigEndian(std::uint8_t* out, std::uint64_t word) {
    if constexpr (std::endian::native == std::endian::little) {
        word = byteSwapped(word);
    }
    std::memcpy(out, &word, sizeof word);
}

inline std::uint32_t group(const unsigned char* in) {
    return kDecoding.position[0][in[0]] | kDecoding.position[1][in[1]] |
           kDecoding.position[2][in[2]] | kDecoding.position[3][in[3]];
}

inline void putGroup(std::uint8_t* out, std::uint32_t bits) {
    out[0] = static_cast<std::uint8_t>(bits >> 16);
    out[1] = static_cast<std::uint8_t>(bits >> 8);
    out[2] = static_cast<std::uint8_t>(bits);
}

}  // namespace

std::size_t encodedSize(std::size_t size) {
    return (size + 2) / 3 * 4;
}

char* encodeTo(char* out, const std::uint8_t* in, std::size_t size) {
    // Six bytes a round, read as one 64-bit big-endian word (eight bytes, so
    // it needs two more readable bytes than it uses).
    while (size >= 8) {
        const std::uint64_t word = loadBigEndian(in);
        putPair(out, static_cast<std::uint32_t>(word >> 52) & 0xFFF);
        putPair(out + 2, static_cast<std::uint32_t>(word >> 40) & 0xFFF);
        putPair(out + 4, static_cast<std::uint32_t>(word >> 28) & 0xFFF);
        putPair(out + 6, static_cast<std::uint32_t>(word >> 16) & 0xFFF);
        in += 6;
        size -= 6;
        out += 8;
    }
    while (size >= 3) {
        const std::uint32_t bits =
            (std::uint32_t{in[0]} << 16) | (std::uint32_t{in[1]} << 8) | in[2];
        putPair(out, bits >> 12);
        putPair(out + 2, bits & 0xFFF);
        in += 3;
        size -= 3;
        out += 4;
    }
    if (size > 0) {
        std::uint32_t bits = std::uint32_t{in[0]} << 16;
        if (size == 2) {
            bits |= std::uint32_t{in[1]} << 8;
        }
        out[0] = kAlphabet[(bits >> 18) & 0x3F];
        out[1] = kAlphabet[(bits >> 12) & 0x3F];
        out[2] = size == 2 ? kAlphabet[(bits >> 6) & 0x3F] : '=';
        out[3] = '=';
        out += 4;
    }
    return out;
}

void append(std::string& out, std::string_view bytes) {
    const std::size_t start = out.size();
    out.resize(start + encodedSize(bytes.size()));
    encodeTo(out.data() + start, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string encode(std::string_view bytes) {
    std::string out;
    append(out, bytes);
    return out;
}

std::optional<std::size_t> decodedSize(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    if (text.empty()) {
        return 0;
    }
    std::size_t padding = 0;
    if (text.back() == '=') {
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    }
    return text.size() / 4 * 3 - padding;
}

bool decodeTo(std::string_view text, std::uint8_t* out) {
    if (text.size() % 4 != 0) {
        return false;
    }
    if (text.empty()) {
        return true;
    }
    std::size_t padding = 0;
    if (text.back() == '=') {
        padding = text[text.size() - 2] == '=' ? 2 : 1;
    }
    const auto* in = reinterpret_cast<const unsigned char*>(text.data());
    std::size_t fullGroups = text.size() / 4 - 1;  // the last one may be padded
    // Invalid characters are collected over the whole text and looked at
    // once: a damaged archive is rare, and it is refused all the same.
    std::uint32_t seen = 0;
    // Four groups a round, written as two 64-bit stores of six bytes each;
    // the two bytes each store writes too many are overwritten next, so the
    // round needs a group after it.
    for (; fullGroups >= 5; fullGroups -= 4, in += 16, out += 12) {
        const std::uint32_t a = group(in);
        const std::uint32_t b = group(in + 4);
        const std::uint32_t c = group(in + 8);
        const std::uint32_t d = group(in + 12);
        seen |= a | b | c | d;
        storeBigEndian(out, (std::uint64_t{a} << 40) | (std::uint64_t{b} << 16));
        storeBigEndian(out + 6, (std::uint64_t{c} << 40) | (std::uint64_t{d} << 16));
    }
    for (; fullGroups > 0; --fullGroups, in += 4, out += 3) {
        const std::uint32_t bits = group(in);
        seen |= bits;
        putGroup(out, bits);
    }
    if (seen & kInvalid) {
        return false;
    }
    // The last group: "xx==" or "xxx=" carry one or two bytes, and the bits
    // the padding drops must be zero, or two texts would give the same bytes.
    const std::uint32_t a = kDecoding.position[0][in[0]];
    const std::uint32_t b = kDecoding.position[1][in[1]];
    const std::uint32_t c = padding >= 2 ? 0 : kDecoding.position[2][in[2]];
    const std::uint32_t d = padding >= 1 ? 0 : kDecoding.position[3][in[3]];
    const std::uint32_t bits = a | b | c | d;
    if (bits & kInvalid) {
        return false;
    }
    if ((padding == 2 && (bits & 0xFFFF) != 0) || (padding == 1 && (bits & 0xFF) != 0)) {
        return false;
    }
    out[0] = static_cast<std::uint8_t>(bits >> 16);
    if (padding < 2) {
        out[1] = static_cast<std::uint8_t>(bits >> 8);
    }
    if (padding < 1) {
        out[2] = static_cast<std::uint8_t>(bits);
    }
    return true;
}

std::optional<platform::Bytes> decode(std::string_view text) {
    const std::optional<std::size_t> size = decodedSize(text);
    if (!size) {
        return std::nullopt;
    }
    platform::Bytes out(*size);
    if (!decodeTo(text, out.data())) {
        return std::nullopt;
    }
    return out;
}

}  // namespace halvora::backup::Base64
