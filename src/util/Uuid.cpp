#include "util/Uuid.h"

#include "util/Hex.h"

#include <random>

#include <sys/random.h>

namespace halvora::util {
namespace {

constexpr std::array<std::size_t, 4> kDashPositions{8, 13, 18, 23};
constexpr std::size_t kTextLength = 36;

bool isDashPosition(std::size_t i) {
    for (const std::size_t p : kDashPositions) {
        if (p == i) {
            return true;
        }
    }
    return false;
}

}  // namespace

Uuid Uuid::random() {
    Bytes bytes{};
    // One call to the kernel's generator; it does not fail for 16 bytes once
    // the system is up, but fall back to the library's source all the same.
    if (::getrandom(bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) {
        std::random_device source;
        for (std::size_t i = 0; i < bytes.size(); i += 4) {
            const std::uint32_t word = source();
            for (std::size_t j = 0; j < 4; ++j) {
                bytes[i + j] = static_cast<std::uint8_t>(word >> (8 * j));
            }
        }
    }
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    return Uuid(bytes);
}

std::optional<Uuid> Uuid::parse(std::string_view text) {
    if (text.size() != kTextLength) {
        return std::nullopt;
    }
    Bytes bytes{};
    std::size_t nibble = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isDashPosition(i)) {
            if (text[i] != '-') {
                return std::nullopt;
            }
            continue;
        }
        const int value = hexDigitValue(text[i]);
        if (value < 0) {
            return std::nullopt;
        }
        bytes[nibble / 2] =
            static_cast<std::uint8_t>(bytes[nibble / 2] | (nibble % 2 == 0 ? value << 4 : value));
        ++nibble;
    }
    return Uuid(bytes);
}

std::string Uuid::text() const {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(kTextLength);
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            out.push_back('-');
        }
        out.push_back(kDigits[bytes_[i] >> 4]);
        out.push_back(kDigits[bytes_[i] & 0x0F]);
    }
    return out;
}

std::size_t UuidHash::operator()(const Uuid& uuid) const noexcept {
    // The bytes are random already; folding them is enough.
    std::size_t hash = 0;
    for (const std::uint8_t byte : uuid.bytes()) {
        hash = hash * 131 + byte;
    }
    return hash;
}

}  // namespace halvora::util
