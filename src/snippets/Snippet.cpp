#include "snippets/Snippet.h"

namespace halvora::snippets {

std::string Snippet::normalizedCode() const {
    if (trigger.starts_with(';')) {
        return trigger;
    }
    return ";" + trigger;
}

bool Snippet::hasNormalizedCode(std::string_view code) const {
    if (trigger.starts_with(';')) {
        return code == trigger;
    }
    return code.size() == trigger.size() + 1 && code.front() == ';' && code.substr(1) == trigger;
}

std::optional<std::string_view> Snippet::safeImageFilename() const {
    if (!imageFilename || !isPlainFileName(*imageFilename)) {
        return std::nullopt;
    }
    return std::string_view(*imageFilename);
}

bool Snippet::hasContent() const {
    return isDynamicQR() || safeImageFilename().has_value() || !text.empty();
}

bool isPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

}  // namespace halvora::snippets
