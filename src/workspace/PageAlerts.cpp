#include "workspace/PageAlerts.h"

#include <string>

namespace halvora::workspace::PageAlerts {

std::optional<std::size_t> ask(platform::Alerts& alerts, std::string_view title,
                               std::string_view message,
                               const std::vector<std::string_view>& choices,
                               platform::AlertStyle style) {
    platform::Alert alert{std::string(title), std::string(message), {}, style};
    for (const std::string_view choice : choices) {
        alert.buttons.emplace_back(choice);
    }
    alert.buttons.emplace_back(cancelTitle);
    const std::size_t answer = alerts.runModal(alert);
    if (answer >= choices.size()) {
        return std::nullopt;
    }
    return answer;
}

void showError(platform::Alerts& alerts, std::string_view title, std::string_view message) {
    alerts.runModal(platform::Alert{std::string(title),
                                    std::string(message),
                                    {std::string(okTitle)},
                                    platform::AlertStyle::warning});
}

}  // namespace halvora::workspace::PageAlerts
