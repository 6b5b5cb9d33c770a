#pragma once

#include "platform/Workspace.h"
#include "snippets/PanelHost.h"
#include "ui/PanelWindow.h"
#include "ui/ReplyTemplatePromptView.h"
#include "ui/SnippetPickerView.h"

#include <QPointer>

namespace halvora::ui {

/// Shows the template prompt and the snippet picker as floating Qt panels.
/// At most one of each is on screen; a newer one replaces the older.
class QtPanelHost final : public snippets::PanelHost {
  public:
    explicit QtPanelHost(platform::Workspace& workspace);
    ~QtPanelHost() override;
    QtPanelHost(const QtPanelHost&) = delete;
    QtPanelHost& operator=(const QtPanelHost&) = delete;

    /// The panels on screen now (null when none).
    PanelWindow* promptWindow() const { return promptWindow_; }
    ReplyTemplatePromptView* promptView() const { return promptView_; }
    PanelWindow* pickerWindow() const { return pickerWindow_; }
    SnippetPickerView* pickerView() const { return pickerView_; }

  protected:
    void show(snippets::ReplyTemplatePrompt& prompt) override;
    void hide(snippets::ReplyTemplatePrompt& prompt, snippets::PanelDismissal how) override;
    void show(snippets::SnippetPickerPanel& picker) override;
    void hide(snippets::SnippetPickerPanel& picker, snippets::PanelDismissal how) override;

  private:
    platform::Workspace& workspace_;
    snippets::ReplyTemplatePrompt* prompt_ = nullptr;
    snippets::SnippetPickerPanel* picker_ = nullptr;
    QPointer<PanelWindow> promptWindow_;
    QPointer<ReplyTemplatePromptView> promptView_;
    QPointer<PanelWindow> pickerWindow_;
    QPointer<SnippetPickerView> pickerView_;
};

}  // namespace halvora::ui
