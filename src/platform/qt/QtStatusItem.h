#pragma once

#include "platform/StatusItem.h"

#include <QIcon>
#include <QKeySequence>
#include <QObject>

#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace halvora::platform::qt {

/// The key sequence a menu item shows for its key equivalent: Option is
/// Alt, Command is Meta (the Super key); empty without a key equivalent.
QKeySequence shortcutFor(const MenuItem& item);

/// How a menu item's key equivalent is written for the user, in the Linux
/// desktop's words ("Alt+Super+K"); empty without a key equivalent.
QString shortcutText(const MenuItem& item);

/// The status title drawn as the tray icon's picture.
QIcon titleIcon(const QString& title);

/// The status item as a tray icon whose picture is the status title, with
/// the tooltip and a menu built from the status menu. Without a tray (no
/// StatusNotifier or system-tray host, the offscreen platform) nothing is
/// drawn: the item keeps the last menu and its handler, announces each new
/// one through `changed`, and the workspace window shows them instead.
class QtStatusItem final : public QObject, public StatusItem {
    Q_OBJECT

  public:
    explicit QtStatusItem(QObject* parent = nullptr);
    ~QtStatusItem() override;

    void show(const StatusMenu& menu, ActionHandler onAction) override;
    bool isAvailable() const override;

    const StatusMenu& statusMenu() const { return menu_; }
    /// The menu as the tray shows it (also built without a tray).
    QMenu* menu() const { return menuWidget_.get(); }
    /// Chooses the item with this action, as a click on it would: the
    /// handler runs on the next turn of the event loop, after the menu has
    /// closed. Disabled items and items no longer shown do nothing.
    void trigger(int action);

  Q_SIGNALS:
    /// The title, tooltip or menu changed.
    void changed();

  private:
    StatusMenu menu_;
    ActionHandler handler_;
    std::unique_ptr<QMenu> menuWidget_;
    std::unique_ptr<QSystemTrayIcon> tray_;
};

}  // namespace halvora::platform::qt
