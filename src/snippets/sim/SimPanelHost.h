#pragma once

#include "platform/Workspace.h"
#include "snippets/PanelHost.h"
#include "snippets/ReplyTemplatePrompt.h"
#include "snippets/SnippetPickerPanel.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::snippets::sim {

/// A panel host without windows, for tests and the command-line tool. It
/// records what was shown and lets the caller act as the user on the panel
/// that is on screen. Presenting brings this program to the front of the
/// workspace, as a real panel does.
class SimPanelHost final : public PanelHost {
  public:
    enum class PanelKind { prompt, picker };

    /// One panel going on or off the screen.
    struct Event {
        PanelKind kind = PanelKind::prompt;
        bool shown = false;
        std::string windowTitle;
        /// How it went off the screen; nothing when it was shown.
        std::optional<PanelDismissal> dismissal;

        friend bool operator==(const Event&, const Event&) = default;
    };

    explicit SimPanelHost(platform::Workspace& workspace) : workspace_(workspace) {}
    ~SimPanelHost() override;
    SimPanelHost(const SimPanelHost&) = delete;
    SimPanelHost& operator=(const SimPanelHost&) = delete;

    /// The panels on screen now.
    ReplyTemplatePrompt* prompt() const { return prompt_; }
    SnippetPickerPanel* picker() const { return picker_; }
    /// Everything shown and dismissed, in order.
    const std::vector<Event>& events() const { return events_; }

    // The user on the prompt. Each answers false when no prompt is shown or
    // the action had no effect.

    /// Types `value` into a field (replacing what it held).
    bool fillPromptField(std::string_view field, std::string value);
    /// Presses the confirm button (or Return).
    bool submitPrompt();
    /// Presses "Hủy" (or Escape).
    bool cancelPrompt();
    /// Clicks the window's close button.
    bool closePromptWindow();

    // The user on the picker. Each answers false when no picker is shown or
    // the action had no effect.

    /// Replaces the search text.
    bool typePickerQuery(std::string query);
    /// Presses an arrow key in the search field.
    bool movePickerSelection(SnippetPickerPanel::Move direction);
    /// Clicks the result row at `index`.
    bool choosePickerResult(std::size_t index);
    /// Presses Return (or "Dán mẫu").
    bool submitPicker();
    /// Presses "Hủy" (or Escape).
    bool cancelPicker();
    /// Clicks the window's close button.
    bool closePickerWindow();

  protected:
    void show(ReplyTemplatePrompt& prompt) override;
    void hide(ReplyTemplatePrompt& prompt, PanelDismissal how) override;
    void show(SnippetPickerPanel& picker) override;
    void hide(SnippetPickerPanel& picker, PanelDismissal how) override;

  private:
    platform::Workspace& workspace_;
    ReplyTemplatePrompt* prompt_ = nullptr;
    SnippetPickerPanel* picker_ = nullptr;
    std::vector<Event> events_;
};

}  // namespace halvora::snippets::sim
