#pragma once

#include "platform/PlatformError.h"

#include <optional>

namespace halvora::platform {

enum class LoginItemStatus {
    notRegistered,
    enabled,
    requiresApproval,
    notFound,
};

/// Starting the program when the user logs in.
class LoginItems {
  public:
    virtual ~LoginItems() = default;

    virtual LoginItemStatus status() const = 0;
    /// Each answers the platform's error, or nothing on success.
    virtual std::optional<PlatformError> registerLoginItem() = 0;
    virtual std::optional<PlatformError> unregisterLoginItem() = 0;
};

}  // namespace halvora::platform
