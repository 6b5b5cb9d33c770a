#include "platform/qt/QtWorkspace.h"

#include <QDesktopServices>
#include <QUrl>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <utility>

namespace halvora::platform::qt {

QtWorkspace::QtWorkspace(KeystrokeSource& keystrokes, std::string ownBundleIdentifier)
    : keystrokes_(keystrokes), ownBundleIdentifier_(std::move(ownBundleIdentifier)) {}

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

bool QtWorkspace::openUrl(std::string_view url) {
    return QDesktopServices::openUrl(
        QUrl(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size()))));
}

void QtWorkspace::revealFile(std::string_view path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder.string())));
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
