#include "workspace/PageAlerts.h"

#include <string>

namespace halvora::workspace::PageAlerts {

std::optional<std::size_t> ask(platform::Alerts& alerts, std::string_view title,
                               std::string_view message, const std::vector<Choice>& choices,
                               platform::AlertStyle style) {
    platform::Alert alert{std::string(title), std::string(message), {}, style};
    for (const Choice& choice : choices) {
        if (choice.destructive) {
            alert.destructiveButtons.push_back(alert.buttons.size());
        }
        alert.buttons.emplace_back(choice.title);
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
