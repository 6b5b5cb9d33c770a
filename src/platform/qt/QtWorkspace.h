#pragma once

#include "platform/KeystrokeSource.h"
#include "platform/Workspace.h"

#include <string>

namespace halvora::platform::qt {

/// The workspace on a Linux desktop. Which application receives keystrokes
/// (in front, activating it, noticing the switch) is known only to the
/// keystroke side, so those calls go to the keystroke source; this program's
/// own windows, URLs and files go through Qt. Launch and termination
/// notices are not available and never arrive.
class QtWorkspace final : public Workspace {
  public:
    QtWorkspace(KeystrokeSource& keystrokes, std::string ownBundleIdentifier);

    std::optional<RunningApplication> frontmostApplication() const override;
    /// Every process of the user, named after its command (/proc/<pid>/comm),
    /// without bundle identifiers.
    std::vector<RunningApplication> runningApplications() const override;

    ProcessId currentProcessId() const override;
    std::optional<std::string> ownBundleIdentifier() const override;

    bool activate(ProcessId pid) override;
    /// Raises and activates this program's visible windows.
    void activateSelf() override;

    bool openUrl(std::string_view url) override;
    /// Opens the folder that holds the file.
    void revealFile(std::string_view path) override;

    Registration onActivate(ApplicationHandler handler) override;
    Registration onLaunch(ApplicationHandler handler) override;
    Registration onTerminate(ApplicationHandler handler) override;

  private:
    KeystrokeSource& keystrokes_;
    std::string ownBundleIdentifier_;
};

}  // namespace halvora::platform::qt
