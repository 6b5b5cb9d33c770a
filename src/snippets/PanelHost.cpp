#include "snippets/PanelHost.h"

#include "snippets/ReplyTemplatePrompt.h"
#include "snippets/SnippetPickerPanel.h"

namespace halvora::snippets {
void PanelHost::present(ReplyTemplatePrompt& prompt) {
    if (prompt.finished_ || prompt.host_ == this) {
        return;
    }
    if (prompt.host_ != nullptr) {
        prompt.host_->dismiss(prompt);
    }
    prompt.host_ = this;
    show(prompt);
}

void PanelHost::present(SnippetPickerPanel& picker) {
    if (picker.finished_ || picker.host_ == this) {
        return;
    }
    if (picker.host_ != nullptr) {
        picker.host_->dismiss(picker);
    }
    picker.host_ = this;
    show(picker);
}

void PanelHost::dismiss(ReplyTemplatePrompt& prompt, PanelDismissal how) {
    if (prompt.host_ != this) {
        return;
    }
    prompt.host_ = nullptr;
    hide(prompt, how);
}

void PanelHost::dismiss(SnippetPickerPanel& picker, PanelDismissal how) {
    if (picker.host_ != this) {
        return;
    }
    picker.host_ = nullptr;
    hide(picker, how);
}

}  // namespace halvora::snippets
