#include "platform/qt/QtWorkspace.h"

#include "platform/qt/XcbDisplay.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QUrl>
#include <QWindow>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <utility>

namespace halvora::platform::qt {

namespace {

void openFolderOf(const QString& file) {
    const std::filesystem::path folder = std::filesystem::path(file.toStdString()).parent_path();
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder.string())));
}

bool isOwnWindow(WindowId window) {
    const auto windows = QGuiApplication::allWindows();
    return std::any_of(windows.begin(), windows.end(), [window](const QWindow* own) {
        return own->handle() != nullptr && static_cast<WindowId>(own->winId()) == window;
    });
}

}  // namespace

QtWorkspace::QtWorkspace(KeystrokeSource& keystrokes, std::string ownBundleIdentifier,
                         QDBusConnection bus, DesktopEntries applications)
    : keystrokes_(keystrokes),
      ownBundleIdentifier_(std::move(ownBundleIdentifier)),
      bus_(std::move(bus)),
      applications_(std::move(applications)) {
    if (const auto display = XcbDisplay::ofApplication()) {
        windows_.emplace(display->connection, display->root);
    }
}

std::optional<RunningApplication> QtWorkspace::frontmostApplication() const {
    return keystrokes_.frontmostApplication();
}

std::vector<RunningApplication> QtWorkspace::runningApplications() const {
    std::vector<RunningApplication> applications;
    std::error_code error;
    for (std::filesystem::directory_iterator it("/proc", error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream comm(it->path() / "comm");
        std::string command;
        if (!std::getline(comm, command)) {
            continue;  // gone meanwhile, or not ours to read
        }
        applications.push_back(RunningApplication{static_cast<ProcessId>(std::stol(name)),
                                                  std::nullopt, command, std::nullopt});
    }
    return applications;
}

ProcessId QtWorkspace::currentProcessId() const {
    return static_cast<ProcessId>(::getpid());
}

std::optional<std::string> QtWorkspace::ownBundleIdentifier() const {
    return ownBundleIdentifier_;
}

bool QtWorkspace::activate(ProcessId pid) {
    return keystrokes_.activate(pid);
}

void QtWorkspace::activateSelf() {
    // A Linux desktop has no "bring this program forward": every window this
    // program shows (panel, alert, workspace window) raises itself. Raising
    // all visible windows here would put the workspace window above the chat,
    // and the window manager would hand the focus back to it, not to the chat,
    // when a panel closes.
}

std::optional<WindowId> QtWorkspace::activeWindow() const {
    if (!windows_) {
        return std::nullopt;
    }
    const std::optional<WindowId> window = windows_->activeWindow();
    if (!window || isOwnWindow(*window)) {
        return std::nullopt;
    }
    return window;
}

bool QtWorkspace::activateWindow(WindowId window) {
    return windows_ && windows_->requestActivation(window);
}

bool QtWorkspace::openUrl(std::string_view url) {
    return QDesktopServices::openUrl(
        QUrl(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size()))));
}

void QtWorkspace::revealFile(std::string_view path) {
    const QString file = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
    if (!bus_.isConnected()) {
        openFolderOf(file);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)} << QString();
    // Not waited for: the bus may first have to start the file manager.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [file](QDBusPendingCallWatcher* finished) {
                         if (QDBusPendingReply<>(*finished).isError()) {
                             openFolderOf(file);
                         }
                         finished->deleteLater();
                     });
}

std::optional<ApplicationLabel> QtWorkspace::applicationLabel(std::string_view identifier) const {
    return applications_.find(identifier);
}

Registration QtWorkspace::onActivate(ApplicationHandler handler) {
    return keystrokes_.onActivate(std::move(handler));
}

Registration QtWorkspace::onLaunch(ApplicationHandler) {
    return {};
}

Registration QtWorkspace::onTerminate(ApplicationHandler) {
    return {};
}

}  // namespace halvora::platform::qt
