#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace halvora::platform {

/// Raw bytes of a file, a network body or an encoded image.
using Bytes = std::vector<std::uint8_t>;

/// A failure reported by the platform, carrying the platform's own
/// description, which is shown to the user unchanged.
struct PlatformError {
    std::string localizedDescription;

    bool operator==(const PlatformError&) const = default;
};

}  // namespace halvora::platform
