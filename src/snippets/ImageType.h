#pragma once

// Whether image bytes are what their file extension says. A decoder reads
// whatever it recognises, so an "image.png" that holds an SVG document would
// be drawn as one, and SVG can name other files to draw; every image the
// program takes in or hands on is checked against its declared type first.

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace halvora::snippets {

/// The bytes a file's content must begin with to be of that type; enough
/// for contentMatchesType to decide.
inline constexpr std::size_t imageSignatureBytes = 32;

/// Whether `bytes` begin as an image of the type `extension` names (one of
/// the allowed lower-case extensions: "png", "jpg", "jpeg", "heic", "tiff").
/// An unknown extension never matches.
bool contentMatchesType(std::string_view extension, std::span<const std::uint8_t> bytes);

/// A chosen image file whose content is not of the type its name says; its
/// text is the sentence the user reads.
class ImageTypeMismatch : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// "Nội dung file không phải ảnh PNG như tên file ghi." for "png", and so on.
std::string imageTypeMismatchMessage(std::string_view extension);

/// Whether `bytes` begin as any of the allowed image types. A paste takes
/// an image saved under another allowed type's name (as photo programs
/// sometimes name them), never one of another kind (an SVG document).
bool isAllowedImageContent(std::span<const std::uint8_t> bytes);

}  // namespace halvora::snippets
