#include "platform/qt/QtAlerts.h"

#include <QPushButton>

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
    layout.defaultIndex = 0;
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
    for (const QString& title : layout.buttons) {
        // One role for all, so the box keeps the alert's order.
        buttons.push_back(box.addButton(title, QMessageBox::ActionRole));
    }
    box.setDefaultButton(buttons[static_cast<std::size_t>(layout.defaultIndex)]);
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
