#include "snippets/sim/SimPanelHost.h"

#include <string>
#include <utility>

namespace halvora::snippets::sim {

SimPanelHost::~SimPanelHost() {
    // Models still on screen must not point at a host that is gone.
    if (prompt_ != nullptr) {
        dismiss(*prompt_);
    }
    if (picker_ != nullptr) {
        dismiss(*picker_);
    }
}

void SimPanelHost::show(ReplyTemplatePrompt& prompt) {
    // At most one prompt is on screen; a newer one replaces it.
    if (prompt_ != nullptr) {
        dismiss(*prompt_);
    }
    prompt_ = &prompt;
    events_.push_back({PanelKind::prompt, true, prompt.windowTitle(), std::nullopt});
    workspace_.activateSelf();
    prompt.appear();
}

void SimPanelHost::hide(ReplyTemplatePrompt& prompt, PanelDismissal how) {
    if (prompt_ == &prompt) {
        prompt_ = nullptr;
    }
    events_.push_back({PanelKind::prompt, false, prompt.windowTitle(), how});
}

void SimPanelHost::show(SnippetPickerPanel& picker) {
    if (picker_ != nullptr) {
        dismiss(*picker_);
    }
    picker_ = &picker;
    events_.push_back(
        {PanelKind::picker, true, std::string(SnippetPickerPanel::windowTitle), std::nullopt});
    workspace_.activateSelf();
    picker.appear();
}

void SimPanelHost::hide(SnippetPickerPanel& picker, PanelDismissal how) {
    if (picker_ == &picker) {
        picker_ = nullptr;
    }
    events_.push_back(
        {PanelKind::picker, false, std::string(SnippetPickerPanel::windowTitle), how});
}

bool SimPanelHost::fillPromptField(std::string_view field, std::string value) {
    if (prompt_ == nullptr) {
        return false;
    }
    prompt_->setFocusedField(std::string(field));
    return prompt_->setValue(field, std::move(value));
}

// The outcome calls below may destroy the model; the host does not touch it
// afterwards (it has already forgotten it when the model dismissed itself).

bool SimPanelHost::submitPrompt() {
    return prompt_ != nullptr && prompt_->submit();
}

bool SimPanelHost::cancelPrompt() {
    return prompt_ != nullptr && prompt_->cancel();
}

bool SimPanelHost::closePromptWindow() {
    return prompt_ != nullptr && prompt_->windowClosed();
}

bool SimPanelHost::typePickerQuery(std::string query) {
    if (picker_ == nullptr || picker_->query() == query) {
        return false;
    }
    picker_->setQuery(std::move(query));
    return true;
}

bool SimPanelHost::movePickerSelection(SnippetPickerPanel::Move direction) {
    if (picker_ == nullptr) {
        return false;
    }
    const auto before = picker_->selectedID();
    picker_->move(direction);
    return picker_->selectedID() != before;
}

bool SimPanelHost::choosePickerResult(std::size_t index) {
    return picker_ != nullptr && picker_->chooseRow(index);
}

bool SimPanelHost::submitPicker() {
    return picker_ != nullptr && picker_->submit();
}

bool SimPanelHost::cancelPicker() {
    return picker_ != nullptr && picker_->cancel();
}

bool SimPanelHost::closePickerWindow() {
    return picker_ != nullptr && picker_->windowClosed();
}

}  // namespace halvora::snippets::sim
