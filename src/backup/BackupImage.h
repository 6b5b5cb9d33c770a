#pragma once

#include "platform/PlatformError.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace halvora::backup {

/// The bytes of an archive image, which never change once made. They are
/// either the image's own (a vector it was read or built into) or a part of
/// the buffer a whole archive was read into: loading decodes every image's
/// Base64 text in place there, so that a 200 MB archive does not need
/// another 150 MB for its images. Copies share the bytes.
class ImageBytes {
  public:
    using value_type = std::uint8_t;
    using const_iterator = const std::uint8_t*;
    using iterator = const_iterator;

    ImageBytes() = default;
    /// Takes the bytes over.
    ImageBytes(platform::Bytes bytes)  // NOLINT(google-explicit-constructor): a plain value
        : ImageBytes(std::make_shared<const platform::Bytes>(std::move(bytes))) {}
    /// `bytes` inside memory that `owner` keeps alive.
    ImageBytes(std::shared_ptr<const void> owner, std::span<const std::uint8_t> bytes)
        : owner_(std::move(owner)), bytes_(bytes) {}

    const std::uint8_t* data() const noexcept { return bytes_.data(); }
    std::size_t size() const noexcept { return bytes_.size(); }
    bool empty() const noexcept { return bytes_.empty(); }
    const_iterator begin() const noexcept { return bytes_.data(); }
    const_iterator end() const noexcept { return bytes_.data() + bytes_.size(); }
    std::span<const std::uint8_t> span() const noexcept { return bytes_; }
    operator std::span<const std::uint8_t>() const noexcept { return bytes_; }  // NOLINT

    void clear() noexcept { *this = ImageBytes(); }

    friend bool operator==(const ImageBytes& a, const ImageBytes& b) {
        return std::ranges::equal(a.bytes_, b.bytes_);
    }
    friend bool operator==(const ImageBytes& a, const platform::Bytes& b) {
        return std::ranges::equal(a.bytes_, b);
    }

  private:
    explicit ImageBytes(std::shared_ptr<const platform::Bytes> owned)
        : bytes_(owned->data(), owned->size()) {
        owner_ = std::move(owned);
    }

    std::shared_ptr<const void> owner_;
    std::span<const std::uint8_t> bytes_;
};

/// One snippet image inside an archive: its bytes exactly as they were in the
/// data folder, never re-encoded.
struct BackupImage {
    /// Lower case, one of the allowed image extensions.
    std::string fileExtension;
    ImageBytes data;

    friend bool operator==(const BackupImage&, const BackupImage&) = default;
};

}  // namespace halvora::backup
