#pragma once

#include "platform/PlatformError.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace halvora::platform {

enum class PasteboardType {
    string,  ///< plain text
    image,   ///< an image object; the adapter offers it in the platform's image types
    rtfd,    ///< rich text: `text` followed by the image in `data` as an attachment
    tiff,
    png,
};

/// One representation of a pasteboard item. `text` is used by `string` and
/// `rtfd`; `data` holds encoded image bytes for `image`, `tiff`, `png` and
/// the attachment of `rtfd`. Whoever writes an image has proved that it
/// decodes; adapters offer PNG bytes exactly as written and decode pixels
/// only for a program that asks for them.
struct PasteboardRepresentation {
    PasteboardType type = PasteboardType::string;
    std::string text;
    Bytes data;

    static PasteboardRepresentation string(std::string text) {
        return {PasteboardType::string, std::move(text), {}};
    }
    static PasteboardRepresentation image(Bytes data) {
        return {PasteboardType::image, {}, std::move(data)};
    }

    bool operator==(const PasteboardRepresentation&) const = default;
};

/// One item, its representations in order of preference.
struct PasteboardItem {
    std::vector<PasteboardRepresentation> representations;

    const PasteboardRepresentation* find(PasteboardType type) const {
        for (const auto& representation : representations) {
            if (representation.type == type) {
                return &representation;
            }
        }
        return nullptr;
    }

    bool operator==(const PasteboardItem&) const = default;
};

/// The general pasteboard (clipboard).
class Pasteboard {
  public:
    virtual ~Pasteboard() = default;

    virtual void clear() = 0;
    /// Adds items after those already on the pasteboard; false when the
    /// pasteboard refused them.
    virtual bool write(const std::vector<PasteboardItem>& items) = 0;
    virtual std::vector<PasteboardItem> items() const = 0;
    /// Grows whenever the contents change.
    virtual std::int64_t changeCount() const = 0;

    /// The text of the first item that has a string representation.
    std::optional<std::string> string() const {
        for (const auto& item : items()) {
            if (const auto* representation = item.find(PasteboardType::string)) {
                return representation->text;
            }
        }
        return std::nullopt;
    }

    /// Adds one item holding `text` as a string.
    bool writeString(std::string text) {
        return write({PasteboardItem{{PasteboardRepresentation::string(std::move(text))}}});
    }
};

}  // namespace halvora::platform
