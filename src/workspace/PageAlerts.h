#pragma once

// The two modal questions the pages ask through the alert port: a
// confirmation before something is deleted or replaced, and an error with
// one "OK" button.

#include "platform/Alerts.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace halvora::workspace::PageAlerts {

inline constexpr std::string_view cancelTitle = "Hủy";
inline constexpr std::string_view okTitle = "OK";

/// One answer to a question besides "Hủy".
struct Choice {
    std::string_view title;
    /// Deletes or replaces the user's data: shown as destructive, and never
    /// the button that Return presses.
    bool destructive = false;
};

/// Asks with the given buttons, "Hủy" last; the index of the chosen button,
/// or nothing for "Hủy" (also when the alert was closed another way).
std::optional<std::size_t> ask(platform::Alerts& alerts, std::string_view title,
                               std::string_view message, const std::vector<Choice>& choices,
                               platform::AlertStyle style);

/// Shows an error titled `title` with `message` and one "OK" button.
void showError(platform::Alerts& alerts, std::string_view title, std::string_view message);

}  // namespace halvora::workspace::PageAlerts
