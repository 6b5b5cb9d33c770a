#include "platform/sim/SimImageCodec.h"

#include <charconv>
#include <string_view>

namespace halvora::platform::sim {
namespace {

constexpr std::string_view magic = "SIM-";

struct Header {
    std::string format;
    PixelSize size;
    std::size_t bodyOffset = 0;
};

std::optional<int> parseDimension(std::string_view text) {
    int value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || value <= 0) {
        return std::nullopt;
    }
    const std::string_view rest(end, text.data() + text.size() - end);
    if (!rest.empty() && rest != "px") {
        return std::nullopt;
    }
    return value;
}

/// What a real file of the format begins with, so that a simulated image
/// passes the check of its declared type as a real one would.
std::string_view signatureOf(std::string_view format) {
    using namespace std::string_view_literals;
    if (format == "PNG") {
        return "\x89PNG\r\n\x1a\n"sv;
    }
    if (format == "JPEG") {
        return "\xFF\xD8\xFF"sv;
    }
    if (format == "TIFF") {
        return "II*\0"sv;
    }
    if (format == "HEIC") {
        return "\0\0\0\x10"
               "ftypheic\0\0\0\0"sv;
    }
    return {};
}

std::optional<Header> parseHeader(std::string_view bytes) {
    // Bytes of the form: [the format's signature] "SIM-" FORMAT ...
    const std::string_view whole = bytes;
    std::size_t skipped = 0;
    if (!bytes.starts_with(magic)) {
        const auto at = bytes.find(magic);
        if (at == std::string_view::npos || at > 16) {
            return std::nullopt;
        }
        skipped = at;
        bytes.remove_prefix(at);
    }
    if (!bytes.starts_with(magic)) {
        return std::nullopt;
    }
    const auto lineEnd = bytes.find('\n');
    if (lineEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view line = bytes.substr(magic.size(), lineEnd - magic.size());
    const auto firstSpace = line.find(' ');
    const auto secondSpace = line.find(' ', firstSpace + 1);
    if (firstSpace == std::string_view::npos || secondSpace == std::string_view::npos) {
        return std::nullopt;
    }
    auto width = parseDimension(line.substr(firstSpace + 1, secondSpace - firstSpace - 1));
    auto height = parseDimension(line.substr(secondSpace + 1));
    if (!width || !height || firstSpace == 0) {
        return std::nullopt;
    }
    std::string format(line.substr(0, firstSpace));
    if (skipped != 0 && whole.substr(0, skipped) != signatureOf(format)) {
        return std::nullopt;
    }
    return Header{std::move(format), {*width, *height}, skipped + lineEnd + 1};
}

std::string_view asText(const Bytes& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

/// The value of `name="..."` inside an element's opening tag.
std::optional<std::string_view> attribute(std::string_view tag, std::string_view name) {
    const std::string key = " " + std::string(name) + "=\"";
    const auto start = tag.find(key);
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    const auto valueStart = start + key.size();
    const auto valueEnd = tag.find('"', valueStart);
    if (valueEnd == std::string_view::npos) {
        return std::nullopt;
    }
    return tag.substr(valueStart, valueEnd - valueStart);
}

bool looksLikeSvg(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos &&
           (text.substr(first).starts_with("<svg") || text.substr(first).starts_with("<?xml"));
}

}  // namespace

Bytes SimImageCodec::encoded(PixelSize size, std::string_view payload, std::string_view format) {
    std::string text = std::string(signatureOf(format)) + std::string(magic) + std::string(format) +
                       " " + std::to_string(size.width) + " " + std::to_string(size.height) + "\n" +
                       std::string(payload);
    return Bytes(text.begin(), text.end());
}

std::string SimImageCodec::svg(PixelSize size, std::string_view payload) {
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + std::to_string(size.width) +
           "\" height=\"" + std::to_string(size.height) + "\"><desc>" + std::string(payload) +
           "</desc></svg>";
}

std::string SimImageCodec::formatOf(const Bytes& bytes) {
    const auto header = parseHeader(asText(bytes));
    return header ? header->format : std::string();
}

std::optional<Image> SimImageCodec::decode(const Bytes& bytes) const {
    const std::string_view text = asText(bytes);
    if (looksLikeSvg(text)) {
        return rasterizeSvg(text);
    }
    const auto header = parseHeader(text);
    if (!header) {
        return std::nullopt;
    }
    return Image{
        header->size,
        Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(header->bodyOffset), bytes.end())};
}

std::optional<Image> SimImageCodec::rasterizeSvg(std::string_view svg) const {
    const auto open = svg.find("<svg");
    if (open == std::string_view::npos) {
        return std::nullopt;
    }
    const auto tagEnd = svg.find('>', open);
    if (tagEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view tag = svg.substr(open, tagEnd - open);
    const auto widthText = attribute(tag, "width");
    const auto heightText = attribute(tag, "height");
    if (!widthText || !heightText) {
        return std::nullopt;
    }
    const auto width = parseDimension(*widthText);
    const auto height = parseDimension(*heightText);
    if (!width || !height) {
        return std::nullopt;
    }
    std::string_view payload;
    const auto descOpen = svg.find("<desc>", tagEnd);
    const auto descClose = svg.find("</desc>", tagEnd);
    if (descOpen != std::string_view::npos && descClose != std::string_view::npos &&
        descClose > descOpen) {
        payload = svg.substr(descOpen + 6, descClose - descOpen - 6);
    }
    return Image{{*width, *height}, Bytes(payload.begin(), payload.end())};
}

std::optional<PixelSize> SimImageCodec::pixelSize(const Bytes& bytes) const {
    const std::string_view text = asText(bytes);
    if (looksLikeSvg(text)) {
        const auto image = rasterizeSvg(text);
        return image ? std::optional(image->size) : std::nullopt;
    }
    const auto header = parseHeader(text);
    return header ? std::optional(header->size) : std::nullopt;
}

std::optional<Bytes> SimImageCodec::encodePng(const Image& image) const {
    return encode(image, "PNG");
}

std::optional<Bytes> SimImageCodec::encodeTiff(const Image& image) const {
    return encode(image, "TIFF");
}

std::optional<Bytes> SimImageCodec::encode(const Image& image, std::string_view format) const {
    if (encodingFails_ || image.size.width <= 0 || image.size.height <= 0) {
        return std::nullopt;
    }
    return encoded(image.size, asText(image.pixels), format);
}

}  // namespace halvora::platform::sim
