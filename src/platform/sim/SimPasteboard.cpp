#include "platform/sim/SimPasteboard.h"

namespace halvora::platform::sim {

void SimPasteboard::clear() {
    items_.clear();
    ++changeCount_;
}

bool SimPasteboard::write(const std::vector<PasteboardItem>& items) {
    items_.insert(items_.end(), items.begin(), items.end());
    ++changeCount_;
    return true;
}

}  // namespace halvora::platform::sim
