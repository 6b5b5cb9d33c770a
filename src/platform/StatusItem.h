#pragma once

#include "platform/KeyEvent.h"

#include <functional>
#include <string>
#include <vector>

namespace halvora::platform {

/// One entry of the status item's menu: a separator or a titled item.
struct MenuItem {
    bool separator = false;
    std::string title{};
    bool enabled = true;
    /// The key that chooses the item while the menu is open, as typed
    /// ("0", "k"); empty for none.
    std::string keyEquivalent{};
    EventFlags keyEquivalentModifiers = 0;
    /// What choosing the item does, in the owner's numbering; 0 for nothing.
    int action = 0;

    bool operator==(const MenuItem&) const = default;

    static MenuItem makeSeparator() { return MenuItem{true, {}, false, {}, 0, 0}; }
};

/// Everything the status item shows: the title drawn in the menu bar or
/// tray, its tooltip and its menu.
struct StatusMenu {
    std::string title{};
    std::string toolTip{};
    std::vector<MenuItem> items{};

    bool operator==(const StatusMenu&) const = default;
};

/// The program's item in the menu bar (on Linux desktops, the tray).
class StatusItem {
  public:
    /// Called on the main queue with the `action` of the chosen item.
    using ActionHandler = std::function<void(int action)>;

    virtual ~StatusItem() = default;

    /// Replaces the title, tooltip and menu.
    virtual void show(const StatusMenu& menu, ActionHandler onAction) = 0;

    /// Whether the desktop has a place for status items. Without one the
    /// program shows the same title and actions in its workspace window.
    virtual bool isAvailable() const = 0;
};

}  // namespace halvora::platform
