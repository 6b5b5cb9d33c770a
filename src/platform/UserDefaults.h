#pragma once

// The user-defaults port: a flat store of typed values under dotted keys
// ("modernTone", "qr.accountNumber", "mode.<bundle id>", ...). Reads hand back
// the stored value with its type, so that every caller can decide what a value
// of the wrong type means for its own key.

#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace halvora::platform {

using DefaultsValue =
    std::variant<bool, std::int64_t, double, std::string, std::vector<std::string>>;

/// One change of a batch: the value to store under `key`, or nothing to
/// remove the key.
struct DefaultsChange {
    std::string key;
    std::optional<DefaultsValue> value;
};

/// A batch of changes could not be kept: none of them was made.
class DefaultsSaveError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class UserDefaults {
  public:
    virtual ~UserDefaults() = default;

    /// The stored value, or nothing when the key is absent.
    virtual std::optional<DefaultsValue> object(std::string_view key) const = 0;
    virtual void set(std::string_view key, DefaultsValue value) = 0;
    virtual void removeObject(std::string_view key) = 0;
    /// Makes every change of `changes`, in order, as one: they are all stored
    /// (and, where the defaults live in a file, saved in one write), or none
    /// is and DefaultsSaveError is thrown. Values that belong together (the
    /// QR account) go through here, so that no reader and no crash ever sees
    /// half of them.
    virtual void apply(std::span<const DefaultsChange> changes) = 0;
    /// Every key that holds a value, in ascending order.
    virtual std::vector<std::string> keys() const = 0;

    // Typed reads. Each gives nothing when the key is absent or holds a value
    // of another type; no conversions between types are made.
    std::optional<bool> boolValue(std::string_view key) const;
    std::optional<std::int64_t> integerValue(std::string_view key) const;
    std::optional<std::string> stringValue(std::string_view key) const;
    std::optional<std::vector<std::string>> stringArrayValue(std::string_view key) const;

    /// A stored Boolean, or `fallback` when absent or not a Boolean.
    bool boolOr(std::string_view key, bool fallback) const {
        return boolValue(key).value_or(fallback);
    }

    // Keep string literals from decaying to bool through the variant.
    void set(std::string_view key, const char* value) {
        set(key, DefaultsValue(std::string(value)));
    }
    void set(std::string_view key, std::string value) { set(key, DefaultsValue(std::move(value))); }
    void set(std::string_view key, bool value) { set(key, DefaultsValue(value)); }
};

}  // namespace halvora::platform
