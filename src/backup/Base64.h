#pragma once

// Base64 with the standard alphabet and "=" padding, the form archives carry
// image bytes in. The decoder is strict: no white space, no other alphabet,
// padding where it belongs, so a damaged archive is refused rather than read
// as different bytes.

#include "platform/PlatformError.h"

#include <optional>
#include <string>
#include <string_view>

namespace halvora::backup::Base64 {

/// The length of the encoding of `size` bytes.
std::size_t encodedSize(std::size_t size);

/// Appends the encoding of `bytes` to `out`.
void append(std::string& out, std::string_view bytes);

std::string encode(std::string_view bytes);

/// The bytes, or nothing when `text` is not strict Base64.
std::optional<platform::Bytes> decode(std::string_view text);

}  // namespace halvora::backup::Base64
