#pragma once

#include "platform/StatusItem.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace halvora::platform::sim {

/// A status item without a screen: keeps what it was last asked to show and
/// lets a test choose menu items as the user would.
class SimStatusItem final : public StatusItem {
  public:
    void show(const StatusMenu& menu, ActionHandler onAction) override;
    bool isAvailable() const override { return available_; }

    void setAvailable(bool available) { available_ = available; }

    const StatusMenu& menu() const { return menu_; }
    std::size_t showCount() const { return showCount_; }

    /// Chooses the enabled item with this title; false when the menu has no
    /// such item or it is disabled (a disabled item cannot be chosen).
    bool choose(std::string_view title);
    /// Finds the item with this title.
    std::optional<MenuItem> find(std::string_view title) const;

  private:
    StatusMenu menu_;
    ActionHandler onAction_;
    std::size_t showCount_ = 0;
    bool available_ = true;
};

}  // namespace halvora::platform::sim
