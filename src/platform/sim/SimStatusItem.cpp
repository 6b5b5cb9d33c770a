#include "platform/sim/SimStatusItem.h"

namespace halvora::platform::sim {

void SimStatusItem::show(const StatusMenu& menu, ActionHandler onAction) {
    menu_ = menu;
    onAction_ = std::move(onAction);
    ++showCount_;
}

std::optional<MenuItem> SimStatusItem::find(std::string_view title) const {
    for (const auto& item : menu_.items) {
        if (!item.separator && item.title == title) {
            return item;
        }
    }
    return std::nullopt;
}

bool SimStatusItem::choose(std::string_view title) {
    const auto item = find(title);
    if (!item || !item->enabled || !onAction_) {
        return false;
    }
    // The handler may rebuild the menu and replace itself; keep this call's.
    const auto handler = onAction_;
    handler(item->action);
    return true;
}

}  // namespace halvora::platform::sim
