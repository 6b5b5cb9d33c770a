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
#include <QToolButton>

#include <gtest/gtest.h>

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
    const Button buttons[] = {{WorkspacePage::snippets, "Mẫu trả lời"},
                              {WorkspacePage::qr, "QR chuyển khoản"},
                              {WorkspacePage::textTools, "Công cụ văn bản"},
                              {WorkspacePage::settings, "Cài đặt"}};
    for (const auto& b : buttons) {
        QToolButton* button = window.navigationButton(b.page);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(b.title));
        button->click();
        EXPECT_EQ(navigation.page(), b.page);
        EXPECT_EQ(window.currentPage(), b.page);
    }
    EXPECT_EQ(window.navigationButton(WorkspacePage::backup), nullptr);
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
    // Toggle, picker, text tools, settings, accessibility, quit.
    EXPECT_EQ(buttons, 6);
    ASSERT_NE(toggle, nullptr);
    toggle->click();
    QApplication::processEvents();
    EXPECT_EQ(actions, std::vector<int>{static_cast<int>(app::MenuAction::toggleMode)});
}

}  // namespace
}  // namespace halvora::ui
