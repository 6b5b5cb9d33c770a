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
    /// Button titles from the first (default) one on; none shows one "OK".
    std::vector<std::string> buttons;
    AlertStyle style = AlertStyle::warning;

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
