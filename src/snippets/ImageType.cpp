#include "snippets/ImageType.h"

#include <algorithm>
#include <array>
#include <string>

namespace halvora::snippets {
namespace {

bool startsWith(std::span<const std::uint8_t> bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), bytes.begin(),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

std::string_view brandAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return {reinterpret_cast<const char*>(bytes.data()) + offset, 4};
}

/// An ISO base media file (HEIF) whose "ftyp" box names a HEIF brand, as
/// its major brand or as one of the compatible brands in the first bytes.
bool isHeif(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 12 || brandAt(bytes, 4) != "ftyp") {
        return false;
    }
    constexpr std::array<std::string_view, 10> brands = {"heic", "heix", "heim", "heis", "hevc",
                                                         "hevx", "hevm", "hevs", "mif1", "msf1"};
    const auto isBrand = [&](std::size_t offset) {
        return std::ranges::find(brands, brandAt(bytes, offset)) != brands.end();
    };
    if (isBrand(8)) {
        return true;
    }
    const std::size_t boxSize = (std::size_t{bytes[0]} << 24) | (std::size_t{bytes[1]} << 16) |
                                (std::size_t{bytes[2]} << 8) | std::size_t{bytes[3]};
    const std::size_t end = std::min(bytes.size(), boxSize);
    for (std::size_t offset = 16; offset + 4 <= end; offset += 4) {
        if (isBrand(offset)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool contentMatchesType(std::string_view extension, std::span<const std::uint8_t> bytes) {
    using namespace std::string_view_literals;
    if (extension == "png") {
        return startsWith(bytes, "\x89PNG\r\n\x1a\n"sv);
    }
    if (extension == "jpg" || extension == "jpeg") {
        return startsWith(bytes, "\xFF\xD8\xFF"sv);
    }
    if (extension == "tiff") {
        // Little- and big-endian, classic and BigTIFF.
        return startsWith(bytes, "II*\0"sv) || startsWith(bytes, "MM\0*"sv) ||
               startsWith(bytes, "II+\0"sv) || startsWith(bytes, "MM\0+"sv);
    }
    if (extension == "heic") {
        return isHeif(bytes);
    }
    return false;
}

bool isAllowedImageContent(std::span<const std::uint8_t> bytes) {
    return std::ranges::any_of(
        std::array<std::string_view, 4>{"png", "jpeg", "tiff", "heic"},
        [&](std::string_view type) { return contentMatchesType(type, bytes); });
}

std::string imageTypeMismatchMessage(std::string_view extension) {
    std::string type(extension == "jpg" ? "jpeg" : extension);
    for (char& c : type) {
        c = static_cast<char>(c - 'a' + 'A');
    }
    return "Nội dung file không phải ảnh " + type + " như tên file ghi.";
}

}  // namespace halvora::snippets
