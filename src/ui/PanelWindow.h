#pragma once

#include <QDialog>

#include <functional>

namespace halvora::ui {

/// A floating panel window: titled and closable only, a fixed content size,
/// above ordinary windows, centred on the screen, tied to no other window of
/// the program (closing it leaves the focus to the window manager's choice,
/// which is the window that had it before: the chat). Escape asks for cancel;
/// the close button reports that the user closed the window. Closing it from
/// the program (`closeQuietly`) reports nothing.
class PanelWindow final : public QDialog {
  public:
    PanelWindow(const QString& title, QSize contentSize, QWidget* content);

    /// Escape (the dialog's reject).
    std::function<void()> onCancel;
    /// The user closed the window.
    std::function<void()> onClosedByUser;

    /// Closes the window without reporting anything.
    void closeQuietly();
    /// Moves the window to the centre of the screen it is on.
    void centerOnScreen();

    QWidget* content() const { return content_; }

  public:
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* content_;
    bool closingQuietly_ = false;
};

}  // namespace halvora::ui
