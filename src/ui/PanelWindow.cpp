#include "ui/PanelWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace halvora::ui {

// An ordinary top-level window, not a dialog: Qt makes a dialog without a
// parent transient for the whole program (WM_TRANSIENT_FOR its group
// leader on X11), so window managers raise the workspace window with the
// panel and hand the focus to it, not to the chat, when the panel closes.
PanelWindow::PanelWindow(const QString& title, QSize contentSize, QWidget* content)
    : QDialog(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      content_(content) {
    setWindowTitle(title);
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(content_);
    setFixedSize(contentSize);
    centerOnScreen();
}

void PanelWindow::centerOnScreen() {
    QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void PanelWindow::closeQuietly() {
    closingQuietly_ = true;
    close();
}

void PanelWindow::reject() {
    if (onCancel) {
        // The handler may close and delete this window; copy it first.
        auto handler = onCancel;
        handler();
    }
}

void PanelWindow::closeEvent(QCloseEvent* event) {
    // QDialog would turn the close into a reject; the panels tell the two
    // apart (a close is reported as the window closing).
    event->accept();
    if (!closingQuietly_ && onClosedByUser) {
        auto handler = onClosedByUser;
        handler();
    }
}

}  // namespace halvora::ui
