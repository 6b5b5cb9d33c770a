#pragma once

#include "platform/UserDefaults.h"

#include <map>

namespace halvora::platform {

/// User defaults held in memory only: for tests, the command-line tool and
/// anything that must not touch the user's settings file.
class InMemoryUserDefaults final : public UserDefaults {
  public:
    using UserDefaults::set;

    std::optional<DefaultsValue> object(std::string_view key) const override;
    void set(std::string_view key, DefaultsValue value) override;
    void removeObject(std::string_view key) override;
    void apply(std::span<const DefaultsChange> changes) override;
    std::vector<std::string> keys() const override;

  private:
    std::map<std::string, DefaultsValue, std::less<>> values_;
};

}  // namespace halvora::platform
