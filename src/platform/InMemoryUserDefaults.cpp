#include "platform/InMemoryUserDefaults.h"

namespace halvora::platform {

std::optional<DefaultsValue> InMemoryUserDefaults::object(std::string_view key) const {
    const auto it = values_.find(key);
    if (it == values_.end()) {
        return std::nullopt;
    }
    return it->second;
}

void InMemoryUserDefaults::set(std::string_view key, DefaultsValue value) {
    values_.insert_or_assign(std::string(key), std::move(value));
}

void InMemoryUserDefaults::removeObject(std::string_view key) {
    const auto it = values_.find(key);
    if (it != values_.end()) {
        values_.erase(it);
    }
}

void InMemoryUserDefaults::apply(std::span<const DefaultsChange> changes) {
    for (const DefaultsChange& change : changes) {
        if (change.value) {
            set(change.key, *change.value);
        } else {
            removeObject(change.key);
        }
    }
}

std::vector<std::string> InMemoryUserDefaults::keys() const {
    std::vector<std::string> out;
    out.reserve(values_.size());
    for (const auto& [key, value] : values_) {
        out.push_back(key);
    }
    return out;
}

}  // namespace halvora::platform
