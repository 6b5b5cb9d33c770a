#pragma once

// Opens the snippet picker over the chat field the user was typing in and
// hands the chosen snippet back to the keyboard controller's paste flows.
// The shell owns one for the life of the program.

#include "input/KeyboardController.h"
#include "platform/Platform.h"
#include "snippets/PanelHost.h"
#include "snippets/ReplyPasteTarget.h"
#include "snippets/SnippetPickerPanel.h"
#include "snippets/SnippetStore.h"

#include <memory>
#include <optional>

namespace halvora::app {

class PickerPresenter {
  public:
    PickerPresenter(input::KeyboardController& keyboard, snippets::SnippetStore& store,
                    platform::Platform& platform, snippets::PanelHost& panels);
    ~PickerPresenter();
    PickerPresenter(const PickerPresenter&) = delete;
    PickerPresenter& operator=(const PickerPresenter&) = delete;

    /// Shows the picker for pasting into `target` (the chat field captured
    /// when the hot key was pressed); explains with an alert when there is
    /// none. Does nothing while a picker or the template prompt is shown,
    /// under secure input, or when the field is not an ordinary one.
    void openPicker(std::optional<snippets::ReplyPasteTarget> target);

    snippets::SnippetPickerPanel* pickerPanel() const { return pickerPanel_.get(); }

  private:
    void chosen(snippets::Snippet snippet, snippets::ReplyPasteTarget target);
    void cancelled(snippets::ReplyPasteTarget target);
    void closePanel();

    input::KeyboardController& keyboard_;
    snippets::SnippetStore& store_;
    platform::Platform& platform_;
    snippets::PanelHost& panels_;
    std::unique_ptr<snippets::SnippetPickerPanel> pickerPanel_;
    std::shared_ptr<int> lifetime_ = std::make_shared<int>(0);
};

}  // namespace halvora::app
