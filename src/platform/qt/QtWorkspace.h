#pragma once

#include "platform/KeystrokeSource.h"
#include "platform/Workspace.h"
#include "platform/qt/DesktopEntries.h"
#include "platform/qt/XcbActiveWindow.h"

#include <QDBusConnection>

#include <optional>
#include <string>

namespace halvora::platform::qt {

/// The workspace on a Linux desktop. Which application receives keystrokes
/// (in front, activating it, noticing the switch) is known only to the
/// keystroke side, so those calls go to the keystroke source; windows go
/// through the X11 window manager where there is one, URLs and files through
/// Qt and the desktop's file manager, installed applications through their
/// desktop entries. Launch and termination notices are not available and
/// never arrive.
class QtWorkspace final : public Workspace {
  public:
    /// `bus` is where the file manager is asked to show files (the session
    /// bus by default).
    QtWorkspace(KeystrokeSource& keystrokes, std::string ownBundleIdentifier,
                QDBusConnection bus = QDBusConnection::sessionBus(),
                DesktopEntries applications = DesktopEntries(DesktopEntries::xdgDataDirectories(),
                                                             DesktopEntries::userLanguages()));

    std::optional<RunningApplication> frontmostApplication() const override;
    /// Every process of the user, named after its command (/proc/<pid>/comm),
    /// without bundle identifiers.
    std::vector<RunningApplication> runningApplications() const override;

    ProcessId currentProcessId() const override;
    std::optional<std::string> ownBundleIdentifier() const override;

    bool activate(ProcessId pid) override;
    /// Raises nothing; see the definition.
    void activateSelf() override;

    /// On X11, the window manager's active window unless it is one of this
    /// program's; nothing elsewhere (Wayland does not tell).
    std::optional<WindowId> activeWindow() const override;
    bool activateWindow(WindowId window) override;

    bool openUrl(std::string_view url) override;
    /// Asks the file manager to show the file selected
    /// (org.freedesktop.FileManager1.ShowItems); when no file manager
    /// answers that, opens the folder that holds the file.
    void revealFile(std::string_view path) override;

    std::optional<ApplicationLabel> applicationLabel(std::string_view identifier) const override;

    Registration onActivate(ApplicationHandler handler) override;
    Registration onLaunch(ApplicationHandler handler) override;
    Registration onTerminate(ApplicationHandler handler) override;

  private:
    KeystrokeSource& keystrokes_;
    std::string ownBundleIdentifier_;
    QDBusConnection bus_;
    DesktopEntries applications_;
    std::optional<XcbActiveWindow> windows_;
};

}  // namespace halvora::platform::qt
