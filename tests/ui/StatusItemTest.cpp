// The tray status item: its menu built from a status menu, and the actions
// chosen in it.

#include "app/AppShell.h"
#include "platform/qt/QtStatusItem.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

#include <gtest/gtest.h>

#include <vector>

namespace halvora::platform::qt {
namespace {

constexpr EventFlags kOptionCommand = eventFlags::option | eventFlags::command;

MenuItem item(std::string title, int action, bool enabled = true, std::string key = {},
              EventFlags modifiers = 0) {
    return MenuItem{false, std::move(title), enabled, std::move(key), modifiers, action};
}

TEST(QtStatusItemTest, KeyEquivalentsBecomeShortcutsWithOptionAsAltAndCommandAsMeta) {
    struct Case {
        std::string key;
        EventFlags modifiers;
        QKeySequence expected;
    };
    const Case cases[] = {
        {"k", kOptionCommand, QKeySequence(Qt::META | Qt::ALT | Qt::Key_K)},
        {"0", kOptionCommand, QKeySequence(Qt::META | Qt::ALT | Qt::Key_0)},
        {";", eventFlags::command, QKeySequence(Qt::META | Qt::Key_Semicolon)},
        {"x", eventFlags::control | eventFlags::shift,
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X)},
        {"", kOptionCommand, QKeySequence()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(shortcutFor(item("x", 1, true, c.key, c.modifiers)), c.expected);
    }
}

TEST(QtStatusItemTest, TheMenuShowsTitlesEnabledFlagsSeparatorsAndShortcuts) {
    QtStatusItem status;
    app::StatusSnapshot state;
    state.isRunning = false;
    state.enabled = true;
    const StatusMenu menu = app::buildStatusMenu(state, DesktopWords::mac());
    status.show(menu, [](int) {});

    const QList<QAction*> actions = status.menu()->actions();
    ASSERT_EQ(static_cast<std::size_t>(actions.size()), menu.items.size());
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
        const MenuItem& expected = menu.items[i];
        const QAction* action = actions[static_cast<qsizetype>(i)];
        SCOPED_TRACE(expected.title);
        EXPECT_EQ(action->isSeparator(), expected.separator);
        if (expected.separator) {
            continue;
        }
        // The menu shows the text after a tab as the shortcut.
        EXPECT_EQ(action->text().section(QLatin1Char('\t'), 0, 0).toStdString(), expected.title);
        EXPECT_EQ(action->text().section(QLatin1Char('\t'), 1), shortcutText(expected));
        EXPECT_EQ(action->isEnabled(), expected.enabled);
        EXPECT_EQ(action->shortcut(), shortcutFor(expected));
    }
    // The permission header first, disabled; the picker item with ⌥⌘K.
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Cần cấp quyền Trợ năng"));
    EXPECT_FALSE(actions[0]->isEnabled());
    bool sawPicker = false;
    for (const QAction* action : actions) {
        if (action->text().startsWith(QStringLiteral("Tìm và dán mẫu…"))) {
            sawPicker = true;
            EXPECT_EQ(action->text(), QStringLiteral("Tìm và dán mẫu…\tAlt+Super+K"));
            EXPECT_EQ(action->shortcut(), QKeySequence(Qt::META | Qt::ALT | Qt::Key_K));
        }
    }
    EXPECT_TRUE(sawPicker);
    EXPECT_EQ(status.statusMenu(), menu);
}

TEST(QtStatusItemTest, ChoosingAnItemReportsItsActionAfterTheMenuCloses) {
    QtStatusItem status;
    std::vector<int> reported;
    const StatusMenu menu{
        "Vi",
        "Halvora Independent Beta",
        {item("Cần cấp quyền Trợ năng", 0, false), MenuItem::makeSeparator(),
         item("Chuyển sang tiếng Anh", 1, true, "0", kOptionCommand), item("Thoát", 6)}};
    // The handler rebuilds the menu, as the shell does after every action.
    status.show(menu, [&](int action) {
        reported.push_back(action);
        status.show(menu, [&](int again) { reported.push_back(again); });
    });
    QList<QAction*> actions = status.menu()->actions();
    actions[2]->trigger();
    EXPECT_TRUE(reported.empty());  // not inside the menu's own signal
    QApplication::processEvents();
    EXPECT_EQ(reported, std::vector<int>{1});

    // Disabled items and actions the menu does not show do nothing.
    status.trigger(0);
    status.trigger(42);
    QApplication::processEvents();
    EXPECT_EQ(reported, std::vector<int>{1});

    status.menu()->actions()[3]->trigger();
    QApplication::processEvents();
    EXPECT_EQ(reported, (std::vector<int>{1, 6}));
}

TEST(QtStatusItemTest, WithoutATrayTheItemAnnouncesEachMenu) {
    QtStatusItem status;
    EXPECT_FALSE(status.isAvailable());  // the offscreen platform has no tray
    int changes = 0;
    QObject::connect(&status, &QtStatusItem::changed, [&] { ++changes; });
    status.show(StatusMenu{"En", "tip", {}}, [](int) {});
    status.show(StatusMenu{"Vi ⏸", "tip", {}}, [](int) {});
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(status.statusMenu().title, "Vi ⏸");
}

TEST(QtStatusItemTest, TitleIconsAreDrawnForEveryTitle) {
    for (const char* title : {"Vi", "En", "Vi ⏸", "QR…", "QR !", "Vi → mới?"}) {
        SCOPED_TRACE(title);
        const QIcon icon = titleIcon(QString::fromUtf8(title));
        const QImage image = icon.pixmap(32, 32).toImage();
        ASSERT_FALSE(image.isNull());
        bool painted = false;
        for (int y = 0; y < image.height() && !painted; ++y) {
            for (int x = 0; x < image.width() && !painted; ++x) {
                painted = qAlpha(image.pixel(x, y)) > 0;
            }
        }
        EXPECT_TRUE(painted);
    }
}

}  // namespace
}  // namespace halvora::platform::qt
