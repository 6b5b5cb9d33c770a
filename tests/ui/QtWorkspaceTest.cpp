// The Linux workspace adapter: applications named by their desktop entries,
// and files shown in the file manager, on a session bus of the test's own.

#include "../bridge/PrivateSessionBus.h"
#include "TemporaryFolder.h"
#include "platform/UnconnectedKeystrokeSource.h"
#include "platform/qt/DesktopEntries.h"
#include "platform/qt/QtWorkspace.h"

#include "ProcessEvents.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace halvora::platform::qt {
namespace {

using halvora::testing::processEventsFor;

TEST(DesktopEntriesTest, IdentifiersFindTheirApplicationsEntry) {
    testing::TemporaryFolder folder;
    const auto home = folder.path() / "home";
    const auto system = folder.path() / "system";
    using testing::TemporaryFolder;
    TemporaryFolder::write(
        system / "applications" / "code.desktop",
        "[Desktop Entry]\nType=Application\nName=Visual Studio Code\n"
        "Name[vi]=VS Code tiếng Việt\nIcon=vscode\nExec=/usr/share/code/code %F\n");
    TemporaryFolder::write(
        system / "applications" / "firefox-esr.desktop",
        "[Desktop Entry]\nType=Application\nName=Firefox ESR\n"
        "Icon=/usr/share/icons/firefox.png\nExec=/usr/lib/firefox-esr/firefox-esr\n");
    TemporaryFolder::write(system / "applications" / "org.telegram.desktop.desktop",
                           "[Desktop Entry]\nType=Application\nName=Telegram\n"
                           "Exec=env QT_SCALE=1 telegram-desktop -- %u\nIcon=telegram\n");
    // The user's own entry hides the system's; a hidden one hides it too.
    TemporaryFolder::write(system / "applications" / "org.gnome.gedit.desktop",
                           "[Desktop Entry]\nType=Application\nName=Text Editor\n");
    TemporaryFolder::write(home / "applications" / "org.gnome.gedit.desktop",
                           "[Desktop Entry]\nType=Application\nName=Gedit của tôi\nIcon=gedit\n");
    TemporaryFolder::write(system / "applications" / "konsole.desktop",
                           "[Desktop Entry]\nType=Application\nName=Konsole\n");
    TemporaryFolder::write(home / "applications" / "konsole.desktop",
                           "[Desktop Entry]\nType=Application\nName=Konsole\nHidden=true\n");
    // In a subfolder, the ID carries the folder's name.
    TemporaryFolder::write(system / "applications" / "kde4" / "okular.desktop",
                           "[Desktop Entry]\nType=Application\nName=Okular\n");
    TemporaryFolder::write(system / "applications" / "org.example.Link.desktop",
                           "[Desktop Entry]\nType=Link\nName=A link\nURL=https://example.org\n");
    TemporaryFolder::write(system / "applications" / "org.example.Other.desktop",
                           "[Desktop Entry]\nType=Application\nName=Other\n"
                           "[Desktop Action new]\nName=Not the entry's name\n");

    const DesktopEntries entries({home, system}, {"vi_VN", "vi"});
    const struct {
        const char* identifier;
        std::optional<ApplicationLabel> label;
    } cases[] = {
        {"com.visualstudio.code", ApplicationLabel{"VS Code tiếng Việt", "vscode"}},
        {"org.mozilla.firefox", ApplicationLabel{"Firefox ESR", "/usr/share/icons/firefox.png"}},
        {"telegram-desktop", ApplicationLabel{"Telegram", "telegram"}},
        {"org.telegram.desktop", ApplicationLabel{"Telegram", "telegram"}},
        {"org.gnome.gedit", ApplicationLabel{"Gedit của tôi", "gedit"}},
        {"org.kde.konsole", std::nullopt},
        {"kde4-okular", ApplicationLabel{"Okular", ""}},
        {"org.example.Link", std::nullopt},
        {"org.example.Other", ApplicationLabel{"Other", ""}},
        {"org.example.Missing", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.identifier);
        EXPECT_EQ(entries.find(c.identifier), c.label);
    }

    // Installed later: found without a new object.
    TemporaryFolder::write(home / "applications" / "com.vng.zalo.desktop",
                           "[Desktop Entry]\nType=Application\nName=Zalo\n");
    EXPECT_EQ(entries.find("com.vng.zalo"), (ApplicationLabel{"Zalo", ""}));
}

/// The file manager's ShowItems on the test's bus, recording what it was
/// asked to show.
class FakeFileManager final : public QDBusVirtualObject {
  public:
    std::vector<QStringList> shown;

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.member() != QStringLiteral("ShowItems")) {
            return false;
        }
        shown.push_back(message.arguments().value(0).toStringList());
        connection.send(message.createReply());
        return true;
    }
};

/// Receives the URLs QDesktopServices opens instead of the desktop.
class OpenedUrls final : public QObject {
    Q_OBJECT

  public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    std::vector<QUrl> urls;

    Q_INVOKABLE void open(const QUrl& url) { urls.push_back(url); }
};

TEST(QtWorkspaceTest, RevealingAFileAsksTheFileManagerElseOpensTheFolder) {
    bridge::testing::PrivateSessionBus bus;
    QDBusConnection connection = QDBusConnection::connectToBus(
        QString::fromStdString(bus.address()), QStringLiteral("reveal-test"));
    ASSERT_TRUE(connection.isConnected());
    UnconnectedKeystrokeSource keystrokes;
    QtWorkspace workspace(keystrokes, "vn.halvora.IndependentBeta", connection);
    OpenedUrls opened;

    // No file manager on the bus: the folder opens.
    workspace.revealFile("/tmp/data folder/snippets.json");
    processEventsFor(3000, [&] { return !opened.urls.empty(); });
    ASSERT_EQ(opened.urls.size(), 1u);
    EXPECT_EQ(opened.urls.front(), QUrl::fromLocalFile(QStringLiteral("/tmp/data folder")));

    FakeFileManager manager;
    ASSERT_TRUE(connection.registerVirtualObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                                 &manager));
    ASSERT_TRUE(connection.registerService(QStringLiteral("org.freedesktop.FileManager1")));
    workspace.revealFile("/tmp/data folder/snippets.json");
    processEventsFor(3000, [&] { return !manager.shown.empty(); });
    ASSERT_EQ(manager.shown.size(), 1u);
    EXPECT_EQ(manager.shown.front(),
              QStringList{QStringLiteral("file:///tmp/data%20folder/snippets.json")});
    processEventsFor(200, [] { return false; });
    EXPECT_EQ(opened.urls.size(), 1u) << "the folder is not opened as well";
    connection.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    QDBusConnection::disconnectFromBus(QStringLiteral("reveal-test"));
}

}  // namespace
}  // namespace halvora::platform::qt

#include "QtWorkspaceTest.moc"
