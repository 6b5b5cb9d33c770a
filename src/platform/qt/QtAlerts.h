#pragma once

#include "platform/Alerts.h"

#include <QMessageBox>
#include <QStringList>

namespace halvora::platform::qt {

/// How an alert is laid out as a message box.
struct AlertLayout {
    /// In the alert's order; one "OK" when it names none.
    QStringList buttons;
    /// The button Return presses: the first that is not destructive; -1 when
    /// every button is.
    int defaultIndex = 0;
    /// The button that Escape or closing the box stands for: "Hủy" when there
    /// is one, else the last button (the alternative to the default).
    int escapeIndex = 0;
    QMessageBox::Icon icon = QMessageBox::Warning;
    /// Per button: shown as destructive.
    QList<bool> destructive;
};

AlertLayout alertLayout(const Alert& alert);

/// Modal alerts as QMessageBox, application-modal, above every window.
class QtAlerts final : public Alerts {
  public:
    std::size_t runModal(const Alert& alert) override;
};

}  // namespace halvora::platform::qt
