// The application shell on the Qt adapters, as halvora-desktop assembles
// them, with temporary data and settings folders.

#include "TemporaryFolder.h"
#include "desktop/DemoMode.h"
#include "desktop/DesktopApplication.h"
#include "desktop/SingleInstance.h"
#include "platform/qt/QtStatusItem.h"
#include "ui/QtPanelHost.h"
#include "ui/WorkspaceWindow.h"
#include "ui/pages/SettingsPageView.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace halvora::desktop {
namespace {

class DesktopShellTest : public ::testing::Test {
  protected:
    DesktopShellTest() { ::setenv("XDG_CONFIG_HOME", (folder.path() / "config-home").c_str(), 1); }

    DesktopOptions options() {
        DesktopOptions o;
        o.dataFolder = folder.path() / "data";
        o.configFolder = folder.path() / "config";
        o.inputMethodHelpUrl = "file:///nonexistent/README.md#enabling-the-input-method";
        return o;
    }

    testing::TemporaryFolder folder;
};

TEST_F(DesktopShellTest, StartUpWithoutTrayOrKeystrokesOpensTheWindowAndLogsWhatFailed) {
    ::testing::internal::CaptureStderr();
    DesktopApplication desktop(options());
    desktop.launch();
    const std::string log = ::testing::internal::GetCapturedStderr();

    EXPECT_NE(log.find("Halvora startup trusted=0 tap=0"), std::string::npos) << log;
    EXPECT_NE(log.find("Halvora suggestion hotkey registration: -1"), std::string::npos) << log;
    EXPECT_NE(log.find("Halvora picker hotkey registration: -1"), std::string::npos) << log;

    // Not a login item and no tray: the window opens and stands in for the menu.
    ui::WorkspaceWindow* window = desktop.workspaceWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->statusMenuArea()->isVisibleTo(window));
    EXPECT_EQ(desktop.statusItem().statusMenu().title, "Vi");
    EXPECT_EQ(desktop.statusItem().statusMenu().items.front().title, "Chưa bật bộ gõ Halvora");
    EXPECT_EQ(window->statusLine(), QStringLiteral("Tạm dừng · Vi · Telex"));
}

TEST_F(DesktopShellTest, QtsOwnButtonsAndMenusAreInVietnamese) {
    {
        DesktopApplication desktop(options());
        QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Open |
                                 QDialogButtonBox::Yes);
        EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Hủy"));
        EXPECT_EQ(buttons.button(QDialogButtonBox::Open)->text(), QStringLiteral("Mở"));
        EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text(), QStringLiteral("&Có"));

        QLineEdit field;
        field.setText(QStringLiteral("chào"));
        const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
        QStringList titles;
        for (const QAction* action : menu->actions()) {
            if (!action->isSeparator()) {
                titles << action->text().section(QLatin1Char('\t'), 0, 0);
            }
        }
        EXPECT_EQ(titles.mid(0, 7), (QStringList{"&Hoàn tác", "&Làm lại", "&Cắt", "&Sao chép",
                                                 "&Dán", "Xóa", "Chọn tất cả"}))
            << titles.join(u'|').toStdString();

        QFileDialog files(nullptr, QString(), QString(), QStringLiteral("JSON (*.json)"));
        files.setOption(QFileDialog::DontUseNativeDialog);
        QStringList labels;
        for (const QLabel* label : files.findChildren<QLabel*>()) {
            labels << label->text();
        }
        EXPECT_TRUE(labels.contains(QStringLiteral("Xem trong:")))
            << labels.join(u'|').toStdString();
        EXPECT_TRUE(labels.contains(QStringLiteral("&Tên file:")))
            << labels.join(u'|').toStdString();
    }
    // Gone with the program's objects.
    QDialogButtonBox buttons(QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancel"));
}

TEST_F(DesktopShellTest, ThePickerFromTheMenuWithoutAChatExplainsWithAnAlert) {
    DesktopApplication desktop(options());
    desktop.launch();
    QString message;
    bool answered = false;
    std::function<void()> answer = [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            QTimer::singleShot(10, answer);
            return;
        }
        message = box->text();
        box->buttons().front()->click();
        answered = true;
    };
    QTimer::singleShot(10, answer);
    desktop.statusItem().trigger(static_cast<int>(app::MenuAction::openPickerFromMenu));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!answered && std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_TRUE(answered);
    EXPECT_EQ(message, QStringLiteral("Chọn ô chat trước khi mở bảng mẫu"));
    EXPECT_EQ(desktop.panels().pickerWindow(), nullptr);
}

TEST_F(DesktopShellTest, MenuActionsReachTheWindowAndTheShell) {
    DesktopApplication desktop(options());
    desktop.launch();
    ui::WorkspaceWindow* window = desktop.workspaceWindow();
    ASSERT_NE(window, nullptr);
    desktop.statusItem().trigger(static_cast<int>(app::MenuAction::openTextTools));
    QApplication::processEvents();
    EXPECT_EQ(window->currentPage(), snippets::WorkspacePage::textTools);

    desktop.statusItem().trigger(static_cast<int>(app::MenuAction::toggleMode));
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(desktop.statusItem().statusMenu().title, "En");
    EXPECT_EQ(window->statusLine(), QStringLiteral("Tạm dừng · En · Telex"));
}

TEST_F(DesktopShellTest, EveryPageFitsTheSmallestWindow) {
    DesktopApplication desktop(options());
    snippets::Snippet image;
    image.title = "Bảng size";
    image.trigger = ";size";
    image.text = "Dạ anh xem bảng size giúp em.";
    image.imageFilename = "size.png";
    snippets::Snippet reply;
    reply.title = "Chốt đơn";
    reply.trigger = ";chot";
    reply.text = "Dạ {ten_khach} ơi, em chốt đơn {so_luong} áo nhé.";
    reply.quickReply = true;
    desktop.shell().store().append(image);
    desktop.shell().store().append(reply);
    desktop.launch();
    ui::WorkspaceWindow* window = desktop.workspaceWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->minimumSize(),
              QSize(ui::WorkspaceWindow::minimumWidth, ui::WorkspaceWindow::minimumHeight));
    for (const snippets::WorkspacePage page : snippets::allWorkspacePages) {
        desktop.shell().navigation().setPage(page);
        QApplication::processEvents();
        const QSize needed = window->layout()->minimumSize();
        EXPECT_LE(needed.width(), ui::WorkspaceWindow::minimumWidth) << static_cast<int>(page);
        EXPECT_LE(needed.height(), ui::WorkspaceWindow::minimumHeight) << static_cast<int>(page);
        // Wider than the sidebar leaves, a page would scroll sideways.
        EXPECT_LE(window->pageWidget(page)->minimumSizeHint().width(),
                  ui::WorkspaceWindow::minimumWidth - ui::WorkspaceWindow::sidebarWidth - 1)
            << static_cast<int>(page);
    }
    // The list pages and text tools shrink their boxes rather than scroll.
    for (const snippets::WorkspacePage page :
         {snippets::WorkspacePage::snippets, snippets::WorkspacePage::quickReplies,
          snippets::WorkspacePage::textTools}) {
        EXPECT_LE(window->pageWidget(page)->minimumSizeHint().height(),
                  ui::WorkspaceWindow::minimumHeight)
            << static_cast<int>(page);
    }
}

TEST_F(DesktopShellTest, SettingsReopenedFromTheMenuStartAtTheOverview) {
    DesktopApplication desktop(options());
    desktop.launch();
    desktop.statusItem().trigger(static_cast<int>(app::MenuAction::openPreferences));
    QApplication::processEvents();
    ui::WorkspaceWindow* window = desktop.workspaceWindow();
    ASSERT_NE(window, nullptr);
    auto* settings =
        dynamic_cast<ui::SettingsPageView*>(window->pageWidget(snippets::WorkspacePage::settings));
    ASSERT_NE(settings, nullptr);
    settings->model().setPage(workspace::SettingsPage::about);
    QApplication::processEvents();

    window->close();
    desktop.statusItem().trigger(static_cast<int>(app::MenuAction::openPreferences));
    QApplication::processEvents();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(settings->model().page(), workspace::SettingsPage::overview);

    // Switching pages in the open window does the same.
    settings->model().setPage(workspace::SettingsPage::backup);
    desktop.shell().navigation().setPage(snippets::WorkspacePage::snippets);
    desktop.shell().navigation().setPage(snippets::WorkspacePage::settings);
    QApplication::processEvents();
    EXPECT_EQ(settings->model().page(), workspace::SettingsPage::overview);
}

TEST_F(DesktopShellTest, AsALoginItemStartUpKeepsTheWindowClosedOnlyWithATray) {
    // The offscreen platform has no tray, so even a login item gets the
    // window: otherwise nothing of the program would be visible.
    testing::TemporaryFolder::write(
        folder.path() / "config-home" / "autostart" / "halvora-desktop.desktop",
        "[Desktop Entry]\n");
    DesktopApplication desktop(options());
    desktop.launch();
    EXPECT_NE(desktop.workspaceWindow(), nullptr);
}

TEST(DemoModeTest, ShowValuesNameTheViewsAndPages) {
    struct Case {
        std::string value;
        bool valid;
        DemoOptions::View view;
        std::optional<snippets::WorkspacePage> page;
    };
    const Case cases[] = {
        {"picker", true, DemoOptions::View::picker, std::nullopt},
        {"prompt", true, DemoOptions::View::prompt, std::nullopt},
        {"picker-from-menu", true, DemoOptions::View::pickerFromMenu, std::nullopt},
        {"workspace", true, DemoOptions::View::workspace, std::nullopt},
        {"workspace:textTools", true, DemoOptions::View::workspace,
         snippets::WorkspacePage::textTools},
        {"workspace:nowhere", false, DemoOptions::View::none, std::nullopt},
        {"window", false, DemoOptions::View::none, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        DemoOptions options;
        EXPECT_EQ(parseDemoShow(c.value, options), c.valid);
        EXPECT_EQ(options.view, c.view);
        EXPECT_EQ(options.page, c.page);
    }
}

TEST(DemoModeTest, ActValuesNameWhatIsDoneOnAListPage) {
    const struct {
        const char* value;
        bool valid;
        DemoOptions::Act act;
    } cases[] = {
        {"add", true, DemoOptions::Act::add},
        {"delete", true, DemoOptions::Act::remove},
        {"remove", false, DemoOptions::Act::none},
        {"", false, DemoOptions::Act::none},
    };
    for (const auto& c : cases) {
        DemoOptions options;
        EXPECT_EQ(parseDemoAct(c.value, options), c.valid) << c.value;
        EXPECT_EQ(options.act, c.act) << c.value;
    }
}

}  // namespace
}  // namespace halvora::desktop

namespace halvora::desktop {
namespace {

TEST(SingleInstanceTest, ALaterStartAsksTheRunningOneToReopen) {
    const QString name =
        QStringLiteral("halvora-desktop-test-%1").arg(QCoreApplication::applicationPid());
    SingleInstance first(name);
    SingleInstance second(name);
    EXPECT_FALSE(second.notifyRunningInstance());  // nobody listens yet
    int reopened = 0;
    ASSERT_TRUE(first.listen([&] { ++reopened; }));
    EXPECT_TRUE(second.notifyRunningInstance());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (reopened == 0 && std::chrono::steady_clock::now() < deadline) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_EQ(reopened, 1);
}

}  // namespace
}  // namespace halvora::desktop
