#include "platform/qt/QtAlerts.h"

#include "ui/HalvoraBetaStyle.h"

#include <QPushButton>

#include <algorithm>
#include <vector>

namespace halvora::platform::qt {

AlertLayout alertLayout(const Alert& alert) {
    AlertLayout layout;
    for (const auto& title : alert.buttons) {
        layout.buttons.append(QString::fromStdString(title));
    }
    if (layout.buttons.isEmpty()) {
        layout.buttons.append(QStringLiteral("OK"));
    }
    for (qsizetype i = 0; i < layout.buttons.size(); ++i) {
        const auto index = static_cast<std::size_t>(i);
        layout.destructive.append(std::find(alert.destructiveButtons.begin(),
                                            alert.destructiveButtons.end(),
                                            index) != alert.destructiveButtons.end());
    }
    const auto safe = layout.destructive.indexOf(false);
    layout.defaultIndex = static_cast<int>(safe);
    const auto cancel = layout.buttons.indexOf(QStringLiteral("Hủy"));
    layout.escapeIndex =
        cancel >= 0 ? static_cast<int>(cancel) : static_cast<int>(layout.buttons.size()) - 1;
    switch (alert.style) {
        case AlertStyle::warning:
            layout.icon = QMessageBox::Warning;
            break;
        case AlertStyle::informational:
            layout.icon = QMessageBox::Information;
            break;
        case AlertStyle::critical:
            layout.icon = QMessageBox::Critical;
            break;
    }
    return layout;
}

std::size_t QtAlerts::runModal(const Alert& alert) {
    const AlertLayout layout = alertLayout(alert);
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Halvora"));
    box.setText(QString::fromStdString(alert.message));
    box.setInformativeText(QString::fromStdString(alert.informativeText));
    box.setIcon(layout.icon);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    std::vector<QPushButton*> buttons;
    for (qsizetype i = 0; i < layout.buttons.size(); ++i) {
        // One role for all, so the box keeps the alert's order.
        QPushButton* button = box.addButton(layout.buttons[i], QMessageBox::ActionRole);
        if (layout.destructive[i]) {
            // Never the button Return presses, not even while it has the
            // keyboard focus.
            ui::HalvoraBetaStyle::makeDestructive(*button);
            button->setAutoDefault(false);
        }
        buttons.push_back(button);
    }
    if (layout.defaultIndex >= 0) {
        box.setDefaultButton(buttons[static_cast<std::size_t>(layout.defaultIndex)]);
    }
    box.setEscapeButton(buttons[static_cast<std::size_t>(layout.escapeIndex)]);
    box.raise();
    box.activateWindow();
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (box.clickedButton() == buttons[i]) {
            return i;
        }
    }
    return static_cast<std::size_t>(layout.escapeIndex);
}

}  // namespace halvora::platform::qt
