#pragma once

#include "platform/Alerts.h"

#include <deque>
#include <vector>

namespace halvora::platform::sim {

/// Modal alerts answered from a script; every alert shown is recorded.
class SimAlerts final : public Alerts {
  public:
    /// The next alert is answered with this button index. Without a scripted
    /// answer the first button is chosen.
    void scriptAnswer(std::size_t buttonIndex) { answers_.push_back(buttonIndex); }

    std::size_t runModal(const Alert& alert) override;

    const std::vector<Alert>& shown() const { return shown_; }

  private:
    std::deque<std::size_t> answers_;
    std::vector<Alert> shown_;
};

}  // namespace halvora::platform::sim
