#pragma once

// How the flows retry a paste into a chat that is not back in front yet, and
// how they tell the user when they give up.

#include "platform/Alerts.h"

#include <string>
#include <utility>

namespace halvora::input::pasteRetry {

inline constexpr double kRetryDelay = 0.06;
/// Attempts 0 … 8 of a delayed paste before falling back to the clipboard.
inline constexpr int kLastRetryAttempt = 7;

inline void showAlert(platform::Alerts& alerts, std::string message, std::string informative) {
    alerts.runModal(platform::Alert{std::move(message), std::move(informative), {"OK"}});
}

}  // namespace halvora::input::pasteRetry
