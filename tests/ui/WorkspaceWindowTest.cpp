// The workspace window: its pages follow the navigation, placeholders give
// way to real pages, and without a tray the sidebar stands in for the menu.

#include "app/AppShell.h"
#include "platform/qt/QtStatusItem.h"
#include "snippets/WorkspaceNavigation.h"
#include "ui/WorkspaceWindow.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace halvora::ui {
namespace {

using snippets::WorkspacePage;

TEST(WorkspaceWindowTest, OpensAt920By650WithTheProductTitle) {
    snippets::WorkspaceNavigation navigation;
    platform::qt::QtStatusItem status;
    WorkspaceWindow window(navigation, nullptr, status);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Halvora Independent Beta"));
    EXPECT_EQ(window.size(), QSize(920, 650));
    EXPECT_EQ(window.statusLine(), QStringLiteral("Tạm dừng · Vi · Telex"));
}

TEST(WorkspaceWindowTest, PagesFollowTheNavigationBothWays) {
    snippets::WorkspaceNavigation navigation;
    platform::qt::QtStatusItem status;
    WorkspaceWindow window(navigation, nullptr, status);
    EXPECT_EQ(window.currentPage(), WorkspacePage::snippets);
    EXPECT_TRUE(window.navigationButton(WorkspacePage::snippets)->isChecked());

    for (const WorkspacePage page : snippets::allWorkspacePages) {
        navigation.setPage(page);
        EXPECT_EQ(window.currentPage(), page);
        for (const WorkspacePage other : snippets::allWorkspacePages) {
            if (QToolButton* button = window.navigationButton(other)) {
                EXPECT_EQ(button->isChecked(), other == page);
            }
        }
    }

    struct Button {
        WorkspacePage page;
        const char* title;
    };
    // In the sidebar's order, which is also the order of Tab and of the
    // shortcuts.
    const Button buttons[] = {{WorkspacePage::snippets, "Mẫu trả lời"},
                              {WorkspacePage::quickReplies, "Trả lời nhanh"},
                              {WorkspacePage::qr, "QR chuyển khoản"},
                              {WorkspacePage::textTools, "Công cụ văn bản"},
                              {WorkspacePage::settings, "Cài đặt"}};
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    int top = -1;
    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        const auto& b = buttons[i];
        QToolButton* button = window.navigationButton(b.page);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(b.title));
        EXPECT_GT(button->mapTo(&window, QPoint(0, 0)).y(), top) << b.title;
        top = button->mapTo(&window, QPoint(0, 0)).y();
        EXPECT_NE(button->focusPolicy() & Qt::TabFocus, 0) << b.title;
        button->click();
        EXPECT_EQ(navigation.page(), b.page);
        EXPECT_EQ(window.currentPage(), b.page);

        const QKeySequence keys = window.navigationShortcut(b.page);
        EXPECT_EQ(keys, QKeySequence(QStringLiteral("Ctrl+%1").arg(i + 1))) << b.title;
        EXPECT_EQ(button->toolTip(), keys.toString(QKeySequence::NativeText));
        navigation.setPage(WorkspacePage::about);
        QTest::keySequence(&window, keys);
        EXPECT_EQ(window.currentPage(), b.page) << "from the keyboard: " << b.title;
    }
    EXPECT_EQ(window.navigationButton(WorkspacePage::backup), nullptr);
    EXPECT_TRUE(window.navigationShortcut(WorkspacePage::backup).isEmpty());
}

TEST(WorkspaceWindowTest, FitsASmallScreenWithItsPanels) {
    // The free area of a screen once its panels are off.
    const struct {
        QSize available;
        QSize window;
    } cases[] = {
        {{1920, 1040}, {920, 650}}, {{1280, 688}, {920, 648}},  // 1280 × 720, a top bar
        {{1280, 644}, {920, 604}},  // 1280 × 720, panels at the top and bottom
        {{1024, 560}, {920, 520}},  {{640, 400}, {800, 480}},  // never below the minimum
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WorkspaceWindow::fittingSize(c.available), c.window) << c.available.height();
    }
}

TEST(WorkspaceWindowTest, ARealPageReplacesItsPlaceholderInPlace) {
    snippets::WorkspaceNavigation navigation;
    platform::qt::QtStatusItem status;
    WorkspaceWindow window(navigation, nullptr, status);
    navigation.setPage(WorkspacePage::qr);
    QPointer<QWidget> placeholder = window.pageWidget(WorkspacePage::qr);
    auto* page = new QLabel(QStringLiteral("QR page"));
    window.setPageWidget(WorkspacePage::qr, page);
    EXPECT_EQ(window.pageWidget(WorkspacePage::qr), page);
    EXPECT_EQ(window.currentPage(), WorkspacePage::qr);
    EXPECT_NE(window.pageWidget(WorkspacePage::backup), page);
    navigation.setPage(WorkspacePage::backup);
    navigation.setPage(WorkspacePage::qr);
    EXPECT_EQ(window.currentPage(), WorkspacePage::qr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(placeholder.isNull());
}

TEST(WorkspaceWindowTest, WithoutATrayTheSidebarShowsTheStatusTitleAndMenu) {
    snippets::WorkspaceNavigation navigation;
    platform::qt::QtStatusItem status;
    WorkspaceWindow window(navigation, nullptr, status);
    ASSERT_FALSE(status.isAvailable());
    std::vector<int> actions;
    app::StatusSnapshot state;
    state.isRunning = false;
    state.enabled = false;
    status.show(app::buildStatusMenu(state, platform::DesktopWords::mac()),
                [&](int action) { actions.push_back(action); });

    QWidget* area = window.statusMenuArea();
    EXPECT_TRUE(area->isVisibleTo(&window));
    QStringList labels;
    for (const QLabel* label : area->findChildren<QLabel*>()) {
        labels << label->text();
    }
    EXPECT_TRUE(labels.contains(QStringLiteral("En")));
    EXPECT_TRUE(labels.contains(QStringLiteral("Cần cấp quyền Trợ năng")));
    QPushButton* toggle = nullptr;
    int buttons = 0;
    for (QPushButton* button : area->findChildren<QPushButton*>()) {
        if (button->isHidden()) {
            continue;  // the previous menu's, on their way out
        }
        ++buttons;
        if (button->accessibleName() == QStringLiteral("Chuyển sang tiếng Việt")) {
            toggle = button;
        }
    }
    // Toggle, picker, accessibility, quit: the sidebar has its own entries for
    // text tools and settings.
    EXPECT_EQ(buttons, 4);
    EXPECT_FALSE(labels.contains(QString::fromStdString(status.statusMenu().toolTip)))
        << "the tool tip is not a line of its own";
    ASSERT_NE(toggle, nullptr);
    toggle->click();
    QApplication::processEvents();
    EXPECT_EQ(actions, std::vector<int>{static_cast<int>(app::MenuAction::toggleMode)});
}

TEST(WorkspaceWindowTest, TheStandInMenuLeavesOutWhatTheSidebarHas) {
    using app::MenuAction;
    struct Case {
        bool running;
        std::optional<std::string> conflict;
        std::vector<std::string> titles;  // "-" for a separator
    };
    const Case cases[] = {
        {true, std::nullopt, {"Chuyển sang tiếng Anh", "-", "Tìm và dán mẫu…", "-", "Thoát"}},
        {false,
         std::nullopt,
         {"Cần cấp quyền Trợ năng", "-", "Chuyển sang tiếng Anh", "-", "Tìm và dán mẫu…", "-",
          "Mở quyền Trợ năng…", "Thoát"}},
        {false,
         "OpenKey",
         {"OpenKey đang chạy — Halvora tạm dừng", "-", "Chuyển sang tiếng Anh", "-",
          "Tìm và dán mẫu…", "-", "Thoát"}},
    };
    for (const Case& c : cases) {
        app::StatusSnapshot state;
        state.isRunning = c.running;
        state.conflictingInputApp = c.conflict;
        std::vector<std::string> titles;
        for (const platform::MenuItem& item : WorkspaceWindow::standInItems(
                 app::buildStatusMenu(state, platform::DesktopWords::mac()))) {
            titles.push_back(item.separator ? "-" : item.title);
        }
        EXPECT_EQ(titles, c.titles);
    }
}

}  // namespace
}  // namespace halvora::ui
