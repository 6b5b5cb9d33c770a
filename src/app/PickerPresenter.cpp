#include "app/PickerPresenter.h"

#include "input/FocusedFieldPolicy.h"

namespace halvora::app {

PickerPresenter::PickerPresenter(input::KeyboardController& keyboard, snippets::SnippetStore& store,
                                 platform::Platform& platform, snippets::PanelHost& panels)
    : keyboard_(keyboard), store_(store), platform_(platform), panels_(panels) {}

PickerPresenter::~PickerPresenter() {
    lifetime_.reset();
    if (pickerPanel_) {
        keyboard_.setPickerOpen(false);
    }
}

void PickerPresenter::openPicker(std::optional<snippets::ReplyPasteTarget> target) {
    if (pickerPanel_ || keyboard_.replyPrompt()) {
        return;
    }
    if (!target) {
        platform_.alerts.runModal(platform::Alert{
            "Chọn ô chat trước khi mở bảng mẫu",
            "Đặt con trỏ vào ô cần dán, rồi nhấn " + platform_.words.optionCommand("K") + ".",
            {"OK"}});
        return;
    }
    if (platform_.keyboardState.isSecureInputEnabled()) {
        return;
    }
    const bool inBrowser = input::FocusedFieldPolicy::isBrowser(target->app().bundleIdentifier);
    if (input::FocusedFieldPolicy::inspect(platform_.accessibility, inBrowser) !=
        input::FocusedFieldKind::ordinary) {
        return;
    }

    keyboard_.setPickerOpen(true);
    keyboard_.resetWordAndCode();
    keyboard_.clearSuggestion();

    std::weak_ptr<int> alive = lifetime_;
    const snippets::ReplyPasteTarget captured = *target;
    pickerPanel_ = std::make_unique<snippets::SnippetPickerPanel>(
        store_,
        [this, alive, captured](const snippets::Snippet& snippet) {
            if (alive.lock()) {
                chosen(snippet, captured);
            }
        },
        [this, alive, captured] {
            if (alive.lock()) {
                cancelled(captured);
            }
        });
    platform_.workspace.activateSelf();
    panels_.present(*pickerPanel_);
}

void PickerPresenter::closePanel() {
    // The panel is reporting its outcome; it allows its owner to drop it here.
    pickerPanel_.reset();
    keyboard_.setPickerOpen(false);
    keyboard_.resetWordAndCode();
    keyboard_.clearSuggestion();
}

// Both arguments are copies: the panel whose callback passes them goes away here.
void PickerPresenter::chosen(snippets::Snippet snippet, snippets::ReplyPasteTarget target) {
    closePanel();
    if (input::KeyboardController::needsPrompt(snippet)) {
        keyboard_.scheduleReplyPrompt(snippet, target);
        return;
    }
    target.activate(platform_.workspace);
    keyboard_.finishPickerPaste(snippet, target, 0);
}

void PickerPresenter::cancelled(snippets::ReplyPasteTarget target) {
    closePanel();
    target.activate(platform_.workspace);
}

}  // namespace halvora::app
