#pragma once

// Demonstration views of halvora-desktop: the panels and pages shown at
// start with sample input, without a chat to paste into, optionally saved
// as a PNG (for the screenshots in the README).

#include "snippets/ReplyTemplatePrompt.h"
#include "snippets/SnippetPickerPanel.h"
#include "snippets/WorkspaceNavigation.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace halvora::desktop {

class DesktopApplication;

struct DemoOptions {
    enum class View { none, picker, prompt, workspace, pickerFromMenu };
    /// What is done on a list page of the workspace: "+ Thêm mẫu" (or
    /// "Thêm câu trả lời"), or "Xóa" on the selected item.
    enum class Act { none, add, remove };
    View view = View::none;
    std::optional<snippets::WorkspacePage> page;
    /// Typed into the picker's search, or a list page's.
    std::string query;
    Act act = Act::none;
    int downPresses = 0;
    std::vector<std::pair<std::string, std::string>> fills;
    std::optional<std::filesystem::path> screenshot;
};

/// Reads the value of --show ("picker", "prompt", "picker-from-menu",
/// "workspace" or "workspace:PAGE"); false for anything else.
bool parseDemoShow(const std::string& value, DemoOptions& options);

/// Reads the value of --act ("add" or "delete"); false for anything else.
bool parseDemoAct(const std::string& value, DemoOptions& options);

/// The name of a workspace page as --show spells it; nothing for other names.
std::optional<snippets::WorkspacePage> workspacePageNamed(const std::string& name);

class DemoMode {
  public:
    DemoMode(DesktopApplication& desktop, DemoOptions options);
    ~DemoMode();
    DemoMode(const DemoMode&) = delete;
    DemoMode& operator=(const DemoMode&) = delete;

    /// Shows the view once the event loop runs.
    void start();

  private:
    void show();
    void showPicker();
    void showPrompt();
    /// Searches, adds or deletes on the list page shown.
    void actOnPage();
    /// Saves the shown window once it has been drawn, then ends the program.
    void saveScreenshot(int attempt);
    QWidget* shownWindow() const;

    DesktopApplication& desktop_;
    DemoOptions options_;
    std::unique_ptr<snippets::SnippetPickerPanel> picker_;
    std::unique_ptr<snippets::ReplyTemplatePrompt> prompt_;
};

}  // namespace halvora::desktop
