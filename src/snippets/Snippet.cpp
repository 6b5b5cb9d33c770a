#include "snippets/Snippet.h"

#include "text/Unicode.h"

#include <string>
#include <unordered_set>

namespace halvora::snippets {

namespace {

constexpr int kMaxNumberedCode = 9999;

}  // namespace

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

std::string_view trimSemicolons(std::string_view code) {
    const std::size_t first = code.find_first_not_of(';');
    if (first == std::string_view::npos) {
        return {};
    }
    return code.substr(first, code.find_last_not_of(';') - first + 1);
}

std::string nextFreeNumberedCode(const std::vector<Snippet>& snippets, std::string_view prefix) {
    std::unordered_set<std::string> taken;
    taken.reserve(snippets.size());
    for (const Snippet& snippet : snippets) {
        taken.insert(snippet.normalizedCode());
    }
    for (int n = 1; n <= kMaxNumberedCode; ++n) {
        std::string code = std::string(prefix) + std::to_string(n);
        if (!taken.contains(code)) {
            return code;
        }
    }
    return std::string(prefix) + text::lowercased(util::Uuid::random().text().substr(0, 6));
}

}  // namespace halvora::snippets
