#pragma once

#include "platform/StatusItem.h"
#include "snippets/WorkspaceNavigation.h"
#include "util/Signal.h"

#include <QKeySequence>
#include <QWidget>

#include <array>
#include <map>
#include <vector>

class QLabel;
class QShortcut;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

namespace halvora::input {
class KeyboardController;
}
namespace halvora::platform::qt {
class QtStatusItem;
}

namespace halvora::ui {

/// The workspace window: a sidebar (the product name, the status line, the
/// navigation buttons and, on desktops without a tray, the status title and
/// the status menu's actions) and the page that the navigation names. Each
/// page starts as an empty placeholder until `setPageWidget` gives it its
/// real content.
class WorkspaceWindow final : public QWidget {
  public:
    static constexpr int contentWidth = 920;
    static constexpr int contentHeight = 650;
    static constexpr int sidebarWidth = 220;
    /// The smallest the window gets: it fits a 1280 × 720 screen with the
    /// desktop's panels. Pages scroll when they need more room.
    static constexpr int minimumWidth = 800;
    static constexpr int minimumHeight = 480;

    /// The window's size on a screen whose free area (without the desktop's
    /// panels) is `available`: 920 × 650 where that fits with the title bar,
    /// less where it does not, never below the minimum.
    static QSize fittingSize(const QSize& available);

    /// `keyboard` may be null (the status line then reads as stopped).
    WorkspaceWindow(snippets::WorkspaceNavigation& navigation, input::KeyboardController* keyboard,
                    platform::qt::QtStatusItem& statusItem, QWidget* parent = nullptr);
    ~WorkspaceWindow() override;

    /// The title of a page as the window shows it.
    static QString pageTitle(snippets::WorkspacePage page);

    /// Puts `widget` in place of the page's current content (which is
    /// deleted); the window takes ownership.
    void setPageWidget(snippets::WorkspacePage page, QWidget* widget);
    QWidget* pageWidget(snippets::WorkspacePage page) const;
    /// The page on screen.
    snippets::WorkspacePage currentPage() const;

    /// "Sẵn sàng" or "Tạm dừng", "Vi" or "En", "Telex" or "VNI", joined
    /// with " · ".
    QString statusLine() const;
    /// The sidebar's navigation button for a page; null for pages that have
    /// none.
    QToolButton* navigationButton(snippets::WorkspacePage page) const;
    /// The keys that open a page with a navigation button (Ctrl+1 for the
    /// first, and so on); empty for the others.
    QKeySequence navigationShortcut(snippets::WorkspacePage page) const;
    /// The area that stands in for the tray (hidden when there is a tray).
    QWidget* statusMenuArea() const { return statusArea_; }
    /// What that area shows of the status menu: the items, less those that
    /// open a page the sidebar has an entry for, without a separator first,
    /// last or after another.
    static std::vector<platform::MenuItem> standInItems(const platform::StatusMenu& menu);

  private:
    void showPage(snippets::WorkspacePage page);
    void refreshStatus();
    void scheduleStatusRefresh();
    void rebuildStatusMenuArea();

    snippets::WorkspaceNavigation& navigation_;
    input::KeyboardController* keyboard_;
    platform::qt::QtStatusItem& statusItem_;
    util::Connection navigationConnection_;
    util::Connection keyboardConnection_;
    QLabel* statusLine_ = nullptr;
    QWidget* statusArea_ = nullptr;
    QVBoxLayout* statusAreaLayout_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    std::map<snippets::WorkspacePage, QToolButton*> buttons_;
    std::map<snippets::WorkspacePage, QShortcut*> shortcuts_;
    bool statusRefreshPending_ = false;
};

}  // namespace halvora::ui
