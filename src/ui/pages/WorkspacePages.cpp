#include "ui/pages/WorkspacePages.h"

#include "ui/pages/AboutPageView.h"
#include "ui/pages/BackupPageView.h"
#include "ui/pages/CustomerQRPageView.h"
#include "ui/pages/SettingsPageView.h"
#include "ui/pages/SnippetListPages.h"
#include "ui/pages/TextToolsPageView.h"

#include <QPointer>

namespace halvora::ui {

using snippets::WorkspacePage;

void installWorkspacePages(const SetPageWidget& setPage, snippets::SnippetStore& store,
                           input::KeyboardController& keyboard,
                           snippets::WorkspaceNavigation& navigation, platform::Platform& platform,
                           snippets::PanelHost& panels) {
    auto* snippetsPage = new SnippetsPageView(store, keyboard, navigation, platform.alerts,
                                              platform.pasteboard, panels, platform.words);
    // The window owns the pages; the QR page's link to the snippets page
    // must not outlive it.
    const QPointer<SnippetsPageView> snippetsLink(snippetsPage);
    setPage(WorkspacePage::snippets, snippetsPage);
    setPage(WorkspacePage::quickReplies,
            new QuickRepliesPageView(store, platform.alerts, platform.pasteboard, panels));
    setPage(WorkspacePage::qr, new CustomerQRPageView(store, platform.userDefaults,
                                                      [snippetsLink](const util::Uuid& id) {
                                                          if (snippetsLink) {
                                                              snippetsLink->model().editSnippet(id);
                                                          }
                                                      }));
    setPage(WorkspacePage::textTools,
            new TextToolsPageView(platform.userDefaults, platform.pasteboard, platform.words));
    setPage(WorkspacePage::backup,
            new BackupPageView(store, platform.userDefaults, platform.workspace, platform.alerts,
                               platform.imageCodec));
    setPage(WorkspacePage::settings, new SettingsPageView(keyboard, store, platform));
    setPage(WorkspacePage::about, new AboutPageView(platform.workspace, platform.words));
}

}  // namespace halvora::ui
