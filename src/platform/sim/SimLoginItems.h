#pragma once

#include "platform/LoginItems.h"

namespace halvora::platform::sim {

class SimLoginItems final : public LoginItems {
  public:
    LoginItemStatus status() const override { return status_; }
    std::optional<PlatformError> registerLoginItem() override;
    std::optional<PlatformError> unregisterLoginItem() override;

    void setStatus(LoginItemStatus status) { status_ = status; }
    /// Registering leads to "requires approval" instead of "enabled".
    void setRequiresApproval(bool required) { requiresApproval_ = required; }
    /// The next register or unregister fails with this error.
    void failNext(PlatformError error) { nextError_ = std::move(error); }

  private:
    LoginItemStatus status_ = LoginItemStatus::notRegistered;
    bool requiresApproval_ = false;
    std::optional<PlatformError> nextError_;
};

}  // namespace halvora::platform::sim
