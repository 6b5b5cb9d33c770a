#pragma once

#include "util/Signal.h"

#include <array>
#include <functional>

namespace halvora::snippets {

/// The pages of the workspace window, in sidebar order.
enum class WorkspacePage { snippets, textTools, quickReplies, qr, backup, settings, about };

inline constexpr std::array<WorkspacePage, 7> allWorkspacePages{
    WorkspacePage::snippets, WorkspacePage::textTools, WorkspacePage::quickReplies,
    WorkspacePage::qr,       WorkspacePage::backup,    WorkspacePage::settings,
    WorkspacePage::about,
};

/// The page the workspace window shows. Pages switch the window to another
/// page by setting it; the window follows through an observer.
class WorkspaceNavigation {
  public:
    WorkspacePage page() const { return page_; }

    /// Every assignment is announced, also one that keeps the page, so that
    /// a request to show a page always reaches the window.
    void setPage(WorkspacePage page);

    [[nodiscard]] util::Connection observe(std::function<void(WorkspacePage)> onChange);

  private:
    WorkspacePage page_ = WorkspacePage::snippets;
    util::Signal<WorkspacePage> changed_;
};

}  // namespace halvora::snippets
