#include "platform/heif/HeifImageCodec.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace halvora::platform::heif {
namespace {

struct ContextDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageDeleter {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
using Context = std::unique_ptr<heif_context, ContextDeleter>;
using Handle = std::unique_ptr<heif_image_handle, HandleDeleter>;
using DecodedImage = std::unique_ptr<heif_image, ImageDeleter>;

constexpr int bytesPerPixel = 4;

/// The primary image of a HEIF file, or nothing when libheif cannot read it.
/// `context` keeps the bytes' reader and must outlive the handle.
Handle primaryImage(std::span<const std::uint8_t> bytes, Context& context) {
    context.reset(heif_context_alloc());
    if (!context) {
        return nullptr;
    }
    if (heif_context_read_from_memory_without_copy(context.get(), bytes.data(), bytes.size(),
                                                   nullptr)
            .code != heif_error_Ok) {
        return nullptr;
    }
    heif_image_handle* handle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &handle).code != heif_error_Ok) {
        return nullptr;
    }
    return Handle(handle);
}

bool acceptableSize(int width, int height) {
    return width > 0 && height > 0 &&
           static_cast<long long>(width) * height <= HeifImageCodec::maxPixels;
}

}  // namespace

bool HeifImageCodec::isHeif(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 12) {
        return false;
    }
    return heif_check_filetype(bytes.data(), static_cast<int>(std::min<std::size_t>(
                                                 bytes.size(), 64))) == heif_filetype_yes_supported;
}

std::optional<Image> HeifImageCodec::decode(const Bytes& bytes) const {
    if (!isHeif(bytes)) {
        return other_.decode(bytes);
    }
    Context context;
    const Handle handle = primaryImage(bytes, context);
    if (!handle) {
        return std::nullopt;
    }
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    if (!acceptableSize(width, height)) {
        return std::nullopt;
    }
    heif_image* raw = nullptr;
    if (heif_decode_image(handle.get(), &raw, heif_colorspace_RGB, heif_chroma_interleaved_RGBA,
                          nullptr)
            .code != heif_error_Ok) {
        return std::nullopt;
    }
    const DecodedImage decoded(raw);
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    const int decodedWidth = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int decodedHeight = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    if (plane == nullptr || !acceptableSize(decodedWidth, decodedHeight) ||
        stride < decodedWidth * bytesPerPixel) {
        return std::nullopt;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(decodedWidth) * bytesPerPixel;
    Image image{{decodedWidth, decodedHeight},
                Bytes(rowBytes * static_cast<std::size_t>(decodedHeight))};
    for (int y = 0; y < decodedHeight; ++y) {
        std::memcpy(image.pixels.data() + rowBytes * static_cast<std::size_t>(y),
                    plane + static_cast<std::size_t>(stride) * static_cast<std::size_t>(y),
                    rowBytes);
    }
    return image;
}

bool HeifImageCheck::isImage(std::span<const std::uint8_t> bytes) const {
    if (!HeifImageCodec::isHeif(bytes)) {
        return other_.isImage(bytes);
    }
    Context context;
    const Handle handle = primaryImage(bytes, context);
    if (!handle || !acceptableSize(heif_image_handle_get_width(handle.get()),
                                   heif_image_handle_get_height(handle.get()))) {
        return false;
    }
    heif_image* raw = nullptr;
    if (heif_decode_image(handle.get(), &raw, heif_colorspace_undefined, heif_chroma_undefined,
                          nullptr)
            .code != heif_error_Ok) {
        return false;
    }
    const DecodedImage decoded(raw);
    return acceptableSize(heif_image_get_primary_width(decoded.get()),
                          heif_image_get_primary_height(decoded.get()));
}

std::optional<PixelSize> HeifImageCodec::pixelSize(const Bytes& bytes) const {
    if (!isHeif(bytes)) {
        return other_.pixelSize(bytes);
    }
    Context context;
    const Handle handle = primaryImage(bytes, context);
    if (!handle) {
        return std::nullopt;
    }
    return PixelSize{heif_image_handle_get_width(handle.get()),
                     heif_image_handle_get_height(handle.get())};
}

}  // namespace halvora::platform::heif
