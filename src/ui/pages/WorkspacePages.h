#pragma once

// Builds every page view of the workspace window and hands each to the
// window, wired to one another (the QR page opens a snippet in the snippets
// page).

#include "input/KeyboardController.h"
#include "platform/Platform.h"
#include "snippets/PanelHost.h"
#include "snippets/SnippetStore.h"
#include "snippets/WorkspaceNavigation.h"

#include <functional>

class QWidget;

namespace halvora::ui {

/// Receives a page's view; the receiver takes ownership of the widget.
using SetPageWidget = std::function<void(snippets::WorkspacePage, QWidget*)>;

/// Creates the seven page views over the shared objects and passes each to
/// `setPage` (for the workspace window: `WorkspaceWindow::setPageWidget`).
void installWorkspacePages(const SetPageWidget& setPage, snippets::SnippetStore& store,
                           input::KeyboardController& keyboard,
                           snippets::WorkspaceNavigation& navigation, platform::Platform& platform,
                           snippets::PanelHost& panels);

}  // namespace halvora::ui
