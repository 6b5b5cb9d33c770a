#include "platform/UserDefaults.h"

namespace halvora::platform {
namespace {

template <typename T>
std::optional<T> typed(const UserDefaults& defaults, std::string_view key) {
    const std::optional<DefaultsValue> value = defaults.object(key);
    if (!value) {
        return std::nullopt;
    }
    if (const T* v = std::get_if<T>(&*value)) {
        return *v;
    }
    return std::nullopt;
}

}  // namespace

std::optional<bool> UserDefaults::boolValue(std::string_view key) const {
    return typed<bool>(*this, key);
}

std::optional<std::int64_t> UserDefaults::integerValue(std::string_view key) const {
    return typed<std::int64_t>(*this, key);
}

std::optional<std::string> UserDefaults::stringValue(std::string_view key) const {
    return typed<std::string>(*this, key);
}

std::optional<std::vector<std::string>> UserDefaults::stringArrayValue(std::string_view key) const {
    return typed<std::vector<std::string>>(*this, key);
}

}  // namespace halvora::platform
