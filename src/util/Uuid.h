#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace halvora::util {

/// A 128-bit universally unique identifier. Its text form is the canonical
/// 8-4-4-4-12 hexadecimal spelling in upper case, which also names files.
class Uuid {
  public:
    using Bytes = std::array<std::uint8_t, 16>;

    /// The nil UUID (all zero).
    constexpr Uuid() = default;
    constexpr explicit Uuid(const Bytes& bytes) : bytes_(bytes) {}

    /// A new random (version 4) UUID from the system's random source.
    static Uuid random();

    /// Parses the 8-4-4-4-12 form, hexadecimal digits in either case; nothing
    /// for any other text.
    static std::optional<Uuid> parse(std::string_view text);

    /// Upper-case 8-4-4-4-12 form, e.g. "E621E1F8-C36C-495A-93FC-0C247A3E6E5F".
    std::string text() const;

    const Bytes& bytes() const { return bytes_; }

    friend constexpr bool operator==(const Uuid&, const Uuid&) = default;
    friend constexpr auto operator<=>(const Uuid&, const Uuid&) = default;

  private:
    Bytes bytes_{};
};

struct UuidHash {
    std::size_t operator()(const Uuid& uuid) const noexcept;
};

}  // namespace halvora::util
