#include "platform/qt/QtStatusItem.h"

#include "platform/DesktopWords.h"

#include <QAction>
#include <QCursor>
#include <QFont>
#include <QFontMetrics>
#include <QMenu>
#include <QMetaObject>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QSystemTrayIcon>

namespace halvora::platform::qt {

QKeySequence shortcutFor(const MenuItem& item) {
    if (item.keyEquivalent.empty()) {
        return {};
    }
    QString text;
    const EventFlags flags = item.keyEquivalentModifiers;
    if ((flags & eventFlags::command) != 0) {
        text += QStringLiteral("Meta+");
    }
    if ((flags & eventFlags::control) != 0) {
        text += QStringLiteral("Ctrl+");
    }
    if ((flags & eventFlags::option) != 0) {
        text += QStringLiteral("Alt+");
    }
    if ((flags & eventFlags::shift) != 0) {
        text += QStringLiteral("Shift+");
    }
    text += QString::fromStdString(item.keyEquivalent).toUpper();
    return QKeySequence::fromString(text, QKeySequence::PortableText);
}

QString shortcutText(const MenuItem& item) {
    if (item.keyEquivalent.empty()) {
        return {};
    }
    return QString::fromStdString(DesktopWords::linuxDesktop().shortcut(
        item.keyEquivalentModifiers,
        QString::fromStdString(item.keyEquivalent).toUpper().toStdString()));
}

QIcon titleIcon(const QString& title) {
    QIcon icon;
    for (const int side : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        QFont font;
        font.setBold(true);
        // The largest size at which the whole title fits the square.
        int pixelSize = side * 7 / 10;
        for (; pixelSize > 4; --pixelSize) {
            font.setPixelSize(pixelSize);
            if (QFontMetrics(font).horizontalAdvance(title) <= side) {
                break;
            }
        }
        font.setPixelSize(pixelSize);
        painter.setFont(font);
        painter.setPen(QColor(0x3D, 0x6E, 0xD6));  // the accent, 0.24 / 0.43 / 0.84
        painter.drawText(pixmap.rect(), Qt::AlignCenter, title);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QtStatusItem::QtStatusItem(QObject* parent)
    : QObject(parent), menuWidget_(std::make_unique<QMenu>()) {}

QtStatusItem::~QtStatusItem() {
    tray_.reset();
}

bool QtStatusItem::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtStatusItem::show(const StatusMenu& menu, ActionHandler onAction) {
    menu_ = menu;
    handler_ = std::move(onAction);

    // Actions of the old menu may be running their triggered signal right
    // now (the action that caused this rebuild); let the event loop delete
    // them.
    for (QAction* action : menuWidget_->actions()) {
        menuWidget_->removeAction(action);
        action->deleteLater();
    }
    for (const MenuItem& item : menu_.items) {
        if (item.separator) {
            menuWidget_->addSeparator();
            continue;
        }
        // Qt would write the key sequence its own way ("Meta+Alt+K"); the
        // text after a tab is what the menu shows as the shortcut instead.
        QString text = QString::fromStdString(item.title);
        if (const QString keys = shortcutText(item); !keys.isEmpty()) {
            text += QLatin1Char('\t') + keys;
        }
        auto* action = new QAction(text, menuWidget_.get());
        action->setEnabled(item.enabled);
        action->setShortcut(shortcutFor(item));
        // Shown in the menu only; the global hot keys do the real work.
        action->setShortcutContext(Qt::WidgetShortcut);
        action->setData(item.action);
        const int code = item.action;
        connect(action, &QAction::triggered, this, [this, code] { trigger(code); });
        menuWidget_->addAction(action);
    }

    // The tray may appear after the program started (a panel restarting).
    if (!tray_ && QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = std::make_unique<QSystemTrayIcon>();
        tray_->setContextMenu(menuWidget_.get());
        // A click opens the menu, as on a menu bar; not only a right click.
        connect(tray_.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger) {
                        menuWidget_->popup(QCursor::pos());
                    }
                });
    }
    if (tray_) {
        tray_->setIcon(titleIcon(QString::fromStdString(menu_.title)));
        tray_->setToolTip(QString::fromStdString(menu_.toolTip));
        tray_->show();
    }
    Q_EMIT changed();
}

void QtStatusItem::trigger(int action) {
    bool shown = false;
    for (const MenuItem& item : menu_.items) {
        if (!item.separator && item.enabled && item.action == action && action != 0) {
            shown = true;
        }
    }
    if (!shown) {
        return;
    }
    QPointer<QtStatusItem> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, action] {
            if (self && self->handler_) {
                auto handler = self->handler_;
                handler(action);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace halvora::platform::qt
