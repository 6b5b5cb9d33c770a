#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace halvora::platform {

enum class AlertStyle {
    warning,
    informational,
    critical,
};

struct Alert {
    std::string message;
    std::string informativeText;
    /// Button titles in order; none shows one "OK". The first that is not
    /// destructive is the default one, which Return presses.
    std::vector<std::string> buttons;
    AlertStyle style = AlertStyle::warning;
    /// Indexes of the buttons that delete or replace the user's data: shown
    /// as destructive and never the default, so that Return never presses
    /// them.
    std::vector<std::size_t> destructiveButtons = {};

    bool operator==(const Alert&) const = default;
};

/// Modal alerts: the call returns when the user has chosen a button.
class Alerts {
  public:
    virtual ~Alerts() = default;

    /// The index of the chosen button in `alert.buttons` (0 for the implicit
    /// "OK").
    virtual std::size_t runModal(const Alert& alert) = 0;
};

}  // namespace halvora::platform
