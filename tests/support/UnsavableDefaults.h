#pragma once

#include "platform/UserDefaults.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::testing {

/// User defaults whose every batch fails while `failing` is set, as on a
/// full disk; reads and single writes go to the wrapped defaults.
class UnsavableDefaults final : public platform::UserDefaults {
  public:
    using UserDefaults::set;
    explicit UnsavableDefaults(platform::UserDefaults& real) : real_(real) {}

    bool failing = true;

    std::optional<platform::DefaultsValue> object(std::string_view key) const override {
        return real_.object(key);
    }
    void set(std::string_view key, platform::DefaultsValue value) override {
        real_.set(key, std::move(value));
    }
    void removeObject(std::string_view key) override { real_.removeObject(key); }
    void apply(std::span<const platform::DefaultsChange> changes) override {
        if (failing) {
            throw platform::DefaultsSaveError("no space left on device");
        }
        real_.apply(changes);
    }
    std::vector<std::string> keys() const override { return real_.keys(); }

  private:
    platform::UserDefaults& real_;
};

}  // namespace halvora::testing
