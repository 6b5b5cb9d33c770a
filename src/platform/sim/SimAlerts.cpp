#include "platform/sim/SimAlerts.h"

namespace halvora::platform::sim {

std::size_t SimAlerts::runModal(const Alert& alert) {
    shown_.push_back(alert);
    if (answers_.empty()) {
        return 0;
    }
    const std::size_t answer = answers_.front();
    answers_.pop_front();
    return answer;
}

}  // namespace halvora::platform::sim
