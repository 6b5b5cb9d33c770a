// The Linux adapters that need no window: autostart, hot keys without X11,
// alerts, the main queue and the clipboard.

#include "TemporaryFolder.h"
#include "platform/qt/QtAlerts.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/qt/QtPasteboard.h"
#include "platform/qt/XcbHotKeys.h"
#include "platform/qt/XdgLoginItems.h"
#include "util/Files.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QElapsedTimer>
#include <QImage>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

namespace halvora::platform::qt {
namespace {

/// Sets an environment variable for the life of the object.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        set(value);
    }
    ~ScopedEnvironment() { set(old_); }

  private:
    void set(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name_, value->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    const char* name_;
    std::optional<std::string> old_;
};

TEST(XdgLoginItemsTest, TheAutostartEntryIsTheLoginItem) {
    testing::TemporaryFolder folder;
    ScopedEnvironment config("XDG_CONFIG_HOME", folder.path().string());
    XdgLoginItems items("halvora-desktop", "/opt/Halvora Beta/halvora-desktop");
    const auto entry = folder.path() / "autostart" / "halvora-desktop.desktop";
    EXPECT_EQ(items.entryFile(), entry);

    EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);
    EXPECT_EQ(items.registerLoginItem(), std::nullopt);  // creates the folder too
    EXPECT_EQ(items.status(), LoginItemStatus::enabled);
    const std::string text = util::readFile(entry, 1 << 20);
    EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(text.find("Type=Application\n"), std::string::npos);
    EXPECT_NE(text.find("Exec=\"/opt/Halvora Beta/halvora-desktop\"\n"), std::string::npos);

    EXPECT_EQ(items.registerLoginItem(), std::nullopt);  // again: replaced, still one entry
    EXPECT_EQ(items.unregisterLoginItem(), std::nullopt);
    EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_EQ(items.unregisterLoginItem(), std::nullopt);  // nothing to remove is fine
}

TEST(XdgLoginItemsTest, ARelativeConfigHomeFallsBackToTheHomeFolder) {
    testing::TemporaryFolder folder;
    ScopedEnvironment home("HOME", folder.path().string());
    ScopedEnvironment config("XDG_CONFIG_HOME", "relative/config");
    XdgLoginItems items("halvora-desktop", "/usr/bin/halvora-desktop");
    EXPECT_EQ(items.entryFile(),
              folder.path() / ".config" / "autostart" / "halvora-desktop.desktop");
    EXPECT_EQ(items.registerLoginItem(), std::nullopt);
    EXPECT_EQ(items.status(), LoginItemStatus::enabled);
}

TEST(XdgLoginItemsTest, AnUnwritableFolderIsReportedNotIgnored) {
    testing::TemporaryFolder folder;
    // A file where the autostart folder should be.
    testing::TemporaryFolder::write(folder.path() / "autostart", "not a folder");
    ScopedEnvironment config("XDG_CONFIG_HOME", folder.path().string());
    XdgLoginItems items("halvora-desktop", "/usr/bin/halvora-desktop");
    const auto error = items.registerLoginItem();
    ASSERT_TRUE(error.has_value());
    EXPECT_FALSE(error->localizedDescription.empty());
    // A Vietnamese sentence first, then the system's own words.
    EXPECT_TRUE(error->localizedDescription.starts_with("Không ghi được "))
        << error->localizedDescription;
    EXPECT_NE(error->localizedDescription.find("Not a directory"), std::string::npos)
        << error->localizedDescription;
    EXPECT_EQ(items.status(), LoginItemStatus::notRegistered);
}

TEST(XdgLoginItemsTest, ExecArgumentsAreQuotedAndEscaped) {
    struct Case {
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {"/usr/bin/halvora-desktop", "\"/usr/bin/halvora-desktop\""},
        {"/home/an/My Apps/h", "\"/home/an/My Apps/h\""},
        {"/a\"b", "\"/a\\\\\"b\""},
        {"/a$HOME`x`", "\"/a\\\\$HOME\\\\`x\\\\`\""},
        {"/a\\b", "\"/a\\\\\\\\b\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(desktopExecArgument(c.path), c.expected);
    }
}

TEST(XcbHotKeysTest, WithoutX11RegistrationFailsWithAStatusAndNothingBreaks) {
    XcbHotKeys hotKeys;  // offscreen: no X11 connection
    EXPECT_FALSE(hotKeys.hasDisplay());
    HotKeyResult handler = hotKeys.installHandler([](const HotKeyId&) { return true; });
    EXPECT_EQ(handler.status, 0);
    HotKeyResult registration = hotKeys.registerHotKey(
        HotKey{{0x484C5652, 1}, keyCodes::semicolon, eventFlags::option | eventFlags::command});
    EXPECT_EQ(registration.status, XcbHotKeys::kNoX11Display);
    EXPECT_FALSE(registration.succeeded());
    EXPECT_FALSE(registration.registration.isActive());
    handler.registration.cancel();
}

TEST(XcbHotKeysTest, KeysAndModifiersMapToX11) {
    EXPECT_EQ(XcbHotKeys::keysymFor(keyCodes::semicolon), 0x3bu);
    EXPECT_EQ(XcbHotKeys::keysymFor(keyCodes::k), 0x6bu);
    EXPECT_EQ(XcbHotKeys::keysymFor(keyCodes::a), std::nullopt);
    struct Case {
        EventFlags flags;
        std::uint16_t mask;
    };
    const Case cases[] = {
        {eventFlags::option | eventFlags::command, 0x08 | 0x40},  // Mod1 | Mod4
        {eventFlags::shift, 0x01},
        {eventFlags::control, 0x04},
        {eventFlags::capsLock | eventFlags::function, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(XcbHotKeys::modifierMask(c.flags), c.mask) << c.flags;
    }
}

TEST(QtAlertsTest, ButtonsKeepTheirOrderAndNeitherReturnNorEscapeDestroys) {
    struct Case {
        std::vector<std::string> buttons;
        std::vector<std::size_t> destructive;
        AlertStyle style;
        QStringList titles;
        int defaultIndex;
        int escape;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {{}, {}, AlertStyle::warning, {"OK"}, 0, 0, QMessageBox::Warning},
        {{"Hủy", "Thoát"},
         {},
         AlertStyle::informational,
         {"Hủy", "Thoát"},
         0,
         0,
         QMessageBox::Information},
        {{"Xóa mục", "Giữ lại"},
         {},
         AlertStyle::critical,
         {"Xóa mục", "Giữ lại"},
         0,
         1,
         QMessageBox::Critical},
        {{"Thay thế", "Hủy", "Gộp"},
         {},
         AlertStyle::warning,
         {"Thay thế", "Hủy", "Gộp"},
         0,
         1,
         QMessageBox::Warning},
        // A destructive button is never the default: Return cancels a delete
        // and merges rather than replaces.
        {{"Xóa mục", "Hủy"},
         {0},
         AlertStyle::critical,
         {"Xóa mục", "Hủy"},
         1,
         1,
         QMessageBox::Critical},
        {{"Nhập thêm", "Thay thế toàn bộ", "Hủy"},
         {1},
         AlertStyle::informational,
         {"Nhập thêm", "Thay thế toàn bộ", "Hủy"},
         0,
         2,
         QMessageBox::Information},
        {{"Xóa"}, {0}, AlertStyle::critical, {"Xóa"}, -1, 0, QMessageBox::Critical},
    };
    for (const auto& c : cases) {
        const AlertLayout layout = alertLayout(Alert{"m", "i", c.buttons, c.style, c.destructive});
        EXPECT_EQ(layout.buttons, c.titles);
        EXPECT_EQ(layout.defaultIndex, c.defaultIndex);
        EXPECT_EQ(layout.escapeIndex, c.escape);
        EXPECT_EQ(layout.icon, c.icon);
        for (qsizetype i = 0; i < layout.buttons.size(); ++i) {
            EXPECT_EQ(layout.destructive[i],
                      std::count(c.destructive.begin(), c.destructive.end(), i) == 1);
        }
    }
}

/// Answers the next modal message box with the button titled `title`,
/// recording its texts.
void answerNextAlert(const QString& title, QString* text, QString* informative) {
    QTimer::singleShot(20, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            answerNextAlert(title, text, informative);
            return;
        }
        *text = box->text();
        *informative = box->informativeText();
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == title) {
                button->click();
                return;
            }
        }
        box->reject();
    });
}

TEST(QtAlertsTest, RunModalAnswersTheIndexOfTheChosenButton) {
    QtAlerts alerts;
    QString text;
    QString informative;
    answerNextAlert(QStringLiteral("Thoát"), &text, &informative);
    EXPECT_EQ(
        alerts.runModal(Alert{
            "Thoát Halvora?", "Bộ gõ sẽ ngừng.", {"Hủy", "Thoát"}, AlertStyle::informational}),
        1u);
    EXPECT_EQ(text, QStringLiteral("Thoát Halvora?"));
    EXPECT_EQ(informative, QStringLiteral("Bộ gõ sẽ ngừng."));

    answerNextAlert(QStringLiteral("OK"), &text, &informative);
    EXPECT_EQ(alerts.runModal(Alert{"Lỗi", "", {}, AlertStyle::warning}), 0u);
}

/// Presses `key` in the next modal message box, recording whether its
/// destructive button is drawn as one.
void pressInNextAlert(Qt::Key key, bool* destructiveStyled) {
    QTimer::singleShot(20, [=] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) {
            pressInNextAlert(key, destructiveStyled);
            return;
        }
        for (QAbstractButton* button : box->buttons()) {
            if (button->property("destructive").toBool()) {
                *destructiveStyled = button->styleSheet().contains(QStringLiteral("color"));
            }
        }
        // Where the key goes: the button the box put the focus on.
        QWidget* focused = box->focusWidget();
        QTest::keyClick(focused != nullptr ? focused : box, key);
    });
}

TEST(QtAlertsTest, ReturnAndEnterNeverPressADestructiveButton) {
    QtAlerts alerts;
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        bool styled = false;
        pressInNextAlert(key, &styled);
        EXPECT_EQ(alerts.runModal(Alert{
                      "Xóa mục gõ tắt này?", "", {"Xóa mục", "Hủy"}, AlertStyle::critical, {0}}),
                  1u)
            << "cancelled";
        EXPECT_TRUE(styled);

        pressInNextAlert(key, &styled);
        EXPECT_EQ(alerts.runModal(Alert{"Bản sao lưu có 2 mẫu.",
                                        "",
                                        {"Nhập thêm", "Thay thế toàn bộ", "Hủy"},
                                        AlertStyle::informational,
                                        {1}}),
                  0u)
            << "merged, not replaced";
    }
}

TEST(QtMainQueueTest, TasksRunInOrderOnTheMainThreadAndRepeatsStopWhenCancelled) {
    QtMainQueue queue;
    std::vector<std::string> order;
    queue.asyncAfter(0.03, [&] { order.push_back("later"); });
    queue.async([&] { order.push_back("now"); });
    std::atomic<bool> fromWorker{false};
    std::thread worker([&] { queue.async([&] { fromWorker = true; }); });
    worker.join();

    int ticks = 0;
    Registration repeating;
    repeating = queue.scheduleRepeating(0.005, [&] {
        if (++ticks == 3) {
            repeating.cancel();  // from inside its own tick
        }
    });

    const double start = queue.now();
    while ((order.size() < 2 || ticks < 3) && queue.now() - start < 5) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"now", "later"}));
    EXPECT_TRUE(fromWorker);
    EXPECT_EQ(ticks, 3);
    // The cancelled timer stays quiet.
    const double stopped = queue.now();
    while (queue.now() - stopped < 0.05) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    EXPECT_EQ(ticks, 3);
    EXPECT_GT(queue.now(), start);
}

TEST(QtPasteboardTest, WrittenItemsReadBackUntilAnotherProgramTakesTheClipboard) {
    QtPasteboard pasteboard;
    const auto before = pasteboard.changeCount();
    pasteboard.clear();
    EXPECT_GT(pasteboard.changeCount(), before);
    EXPECT_TRUE(pasteboard.writeString("Dạ em chào anh"));
    EXPECT_EQ(pasteboard.string(), std::optional<std::string>("Dạ em chào anh"));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Dạ em chào anh"));

    // An image added after the text: both are offered together.
    QImage image(4, 3, QImage::Format_RGBA8888);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const Bytes bytes(png.begin(), png.end());
    const auto count = pasteboard.changeCount();
    EXPECT_TRUE(pasteboard.write({PasteboardItem{{{PasteboardType::png, {}, bytes}}}}));
    EXPECT_GT(pasteboard.changeCount(), count);
    EXPECT_EQ(pasteboard.items().size(), 2u);
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral("Dạ em chào anh"));
    EXPECT_EQ(data->data(QStringLiteral("image/png")), png);
    EXPECT_TRUE(data->hasImage());

    // An image object given as PNG: the bytes as written, and pixels for
    // whoever asks for them.
    pasteboard.clear();
    EXPECT_TRUE(pasteboard.write({PasteboardItem{{PasteboardRepresentation::image(bytes)}}}));
    const QMimeData* imageData = QApplication::clipboard()->mimeData();
    ASSERT_NE(imageData, nullptr);
    EXPECT_EQ(imageData->data(QStringLiteral("image/png")), png);
    ASSERT_TRUE(imageData->hasImage());
    const QImage pixels = qvariant_cast<QImage>(imageData->imageData());
    EXPECT_EQ(pixels.size(), QSize(4, 3));
    EXPECT_EQ(pixels.pixelColor(1, 1), QColor(Qt::red));

    // Someone else copies: the count grows and the items are theirs.
    const auto ours = pasteboard.changeCount();
    QApplication::clipboard()->setText(QStringLiteral("khác"));
    EXPECT_GT(pasteboard.changeCount(), ours);
    const auto items = pasteboard.items();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(pasteboard.string(), std::optional<std::string>("khác"));
}

}  // namespace
}  // namespace halvora::platform::qt
