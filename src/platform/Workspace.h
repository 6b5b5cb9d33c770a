#pragma once

#include "platform/Accessibility.h"
#include "platform/Registration.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::platform {

/// A running application as the workspace reports it.
struct RunningApplication {
    ProcessId pid = 0;
    /// Absent for processes without a bundle.
    std::optional<std::string> bundleIdentifier;
    std::string localizedName;
    /// The application category its bundle declares
    /// ("public.app-category.games", ...); absent when the bundle cannot be
    /// read or declares none.
    std::optional<std::string> category;

    bool operator==(const RunningApplication&) const = default;
};

/// How the desktop shows an installed application.
struct ApplicationLabel {
    /// The application's name in the user's language.
    std::string name;
    /// The icon: a name of the desktop's icon theme, or an absolute file
    /// path; empty for none.
    std::string icon;

    bool operator==(const ApplicationLabel&) const = default;
};

/// A window of the desktop, where the desktop lets programs name windows
/// (X11's window ids); zero is no window.
using WindowId = std::uint64_t;

/// The desktop's applications: which one is in front, which are running, and
/// notices when that changes. Notices arrive on the main queue.
class Workspace {
  public:
    using ApplicationHandler = std::function<void(const RunningApplication&)>;

    virtual ~Workspace() = default;

    virtual std::optional<RunningApplication> frontmostApplication() const = 0;
    virtual std::vector<RunningApplication> runningApplications() const = 0;

    /// This program's own process and bundle identifier.
    virtual ProcessId currentProcessId() const = 0;
    virtual std::optional<std::string> ownBundleIdentifier() const = 0;

    /// Asks the application to come to the front, ignoring other
    /// applications. The switch itself happens asynchronously; false when
    /// there is no such application.
    virtual bool activate(ProcessId pid) = 0;
    /// Brings this program to the front.
    virtual void activateSelf() = 0;

    /// The window that has the keyboard focus now, when it belongs to
    /// another program and the desktop tells; nothing otherwise.
    virtual std::optional<WindowId> activeWindow() const = 0;
    /// Asks the desktop to give that window the focus again (as a pager or
    /// task bar would on the user's behalf); false when the request could
    /// not be made.
    virtual bool activateWindow(WindowId window) = 0;

    /// Opens a URL with its default handler; false when nothing opened it.
    virtual bool openUrl(std::string_view url) = 0;
    /// Shows a file selected in the file manager.
    virtual void revealFile(std::string_view path) = 0;

    /// The name and icon of the application with this identifier (a
    /// bundle identifier, or on Linux the application identifier the
    /// keystroke side reports); nothing when it is not installed.
    virtual std::optional<ApplicationLabel> applicationLabel(std::string_view identifier) const = 0;

    virtual Registration onActivate(ApplicationHandler handler) = 0;
    virtual Registration onLaunch(ApplicationHandler handler) = 0;
    virtual Registration onTerminate(ApplicationHandler handler) = 0;
};

}  // namespace halvora::platform
