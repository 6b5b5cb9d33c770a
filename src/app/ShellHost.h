#pragma once

namespace halvora::app {

/// What the shell asks of the desktop program around it: its one workspace
/// window and its own end. The desktop implements it; tests record calls.
class ShellHost {
  public:
    virtual ~ShellHost() = default;

    /// Shows the workspace window, creating it on first use (920 × 650,
    /// titled "Halvora Independent Beta", centred) and keeping it for the
    /// life of the program; brings it to the front as the key window and
    /// activates the program.
    virtual void showWorkspaceWindow() = 0;

    /// Ends the program. On its way out the program calls
    /// `AppShell::willTerminate`.
    virtual void terminate() = 0;
};

}  // namespace halvora::app
