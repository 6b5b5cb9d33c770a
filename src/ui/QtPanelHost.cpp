#include "ui/QtPanelHost.h"

#include "snippets/ReplyTemplatePrompt.h"
#include "snippets/SnippetPickerPanel.h"
#include "ui/PanelWindow.h"
#include "ui/ReplyTemplatePromptView.h"
#include "ui/SnippetPickerView.h"

#include <QLineEdit>

namespace halvora::ui {

namespace {

void takeDown(PanelWindow* window, snippets::PanelDismissal how) {
    if (window == nullptr) {
        return;
    }
    window->onCancel = nullptr;
    window->onClosedByUser = nullptr;
    if (how == snippets::PanelDismissal::close) {
        window->closeQuietly();
    }
    // The window may be inside its own close event or a button's click.
    window->deleteLater();
}

}  // namespace

QtPanelHost::QtPanelHost(platform::Workspace& workspace) : workspace_(workspace) {}

QtPanelHost::~QtPanelHost() {
    if (prompt_ != nullptr) {
        dismiss(*prompt_);
    }
    if (picker_ != nullptr) {
        dismiss(*picker_);
    }
}

void QtPanelHost::show(snippets::ReplyTemplatePrompt& prompt) {
    if (prompt_ != nullptr) {
        dismiss(*prompt_);
    }
    prompt_ = &prompt;
    prompt.appear();
    auto* view = new ReplyTemplatePromptView(prompt);
    auto* window = new PanelWindow(
        QString::fromStdString(prompt.windowTitle()),
        QSize(snippets::ReplyTemplatePrompt::contentWidth, prompt.contentHeight()), view);
    window->onCancel = [&prompt] { prompt.cancel(); };
    window->onClosedByUser = [&prompt] { prompt.windowClosed(); };
    promptWindow_ = window;
    promptView_ = view;
    window->show();
    workspace_.activateSelf();
    window->raise();
    window->activateWindow();
    view->focusModelField();
}

void QtPanelHost::hide(snippets::ReplyTemplatePrompt& prompt, snippets::PanelDismissal how) {
    if (prompt_ != &prompt) {
        return;
    }
    prompt_ = nullptr;
    if (promptView_) {
        promptView_->detach();
    }
    takeDown(promptWindow_, how);
    promptWindow_ = nullptr;
    promptView_ = nullptr;
}

void QtPanelHost::show(snippets::SnippetPickerPanel& picker) {
    if (picker_ != nullptr) {
        dismiss(*picker_);
    }
    picker_ = &picker;
    picker.appear();
    auto* view = new SnippetPickerView(picker);
    auto* window = new PanelWindow(
        QString::fromUtf8(snippets::SnippetPickerPanel::windowTitle.data(),
                          static_cast<qsizetype>(snippets::SnippetPickerPanel::windowTitle.size())),
        QSize(snippets::SnippetPickerPanel::contentWidth,
              snippets::SnippetPickerPanel::contentHeight),
        view);
    window->onCancel = [&picker] { picker.cancel(); };
    window->onClosedByUser = [&picker] { picker.windowClosed(); };
    pickerWindow_ = window;
    pickerView_ = view;
    window->show();
    workspace_.activateSelf();
    window->raise();
    window->activateWindow();
    view->searchField()->setFocus(Qt::OtherFocusReason);
}

void QtPanelHost::hide(snippets::SnippetPickerPanel& picker, snippets::PanelDismissal how) {
    if (picker_ != &picker) {
        return;
    }
    picker_ = nullptr;
    if (pickerView_) {
        pickerView_->detach();
    }
    takeDown(pickerWindow_, how);
    pickerWindow_ = nullptr;
    pickerView_ = nullptr;
}

}  // namespace halvora::ui
