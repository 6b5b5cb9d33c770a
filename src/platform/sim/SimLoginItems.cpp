#include "platform/sim/SimLoginItems.h"

#include <utility>

namespace halvora::platform::sim {

std::optional<PlatformError> SimLoginItems::registerLoginItem() {
    if (nextError_) {
        return std::exchange(nextError_, std::nullopt);
    }
    status_ = requiresApproval_ ? LoginItemStatus::requiresApproval : LoginItemStatus::enabled;
    return std::nullopt;
}

std::optional<PlatformError> SimLoginItems::unregisterLoginItem() {
    if (nextError_) {
        return std::exchange(nextError_, std::nullopt);
    }
    status_ = LoginItemStatus::notRegistered;
    return std::nullopt;
}

}  // namespace halvora::platform::sim
