#pragma once

// The system-inspection port: what a self-check asks of the machine it runs
// on (processes, programs on PATH, files, the environment, writable folders,
// a helper command's output), so that the check's reasoning runs on a fake.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::platform {

class SystemProbe {
  public:
    virtual ~SystemProbe() = default;

    /// Whether a process with this command name runs (for this user or any).
    virtual bool processRunning(std::string_view name) const = 0;
    /// Whether an executable of this name is in a folder of $PATH.
    virtual bool executableInPath(std::string_view name) const = 0;
    virtual bool fileExists(const std::filesystem::path& file) const = 0;
    /// The environment variable's value; empty when unset.
    virtual std::string environment(std::string_view name) const = 0;
    /// Whether the folder exists and can be written, or could be made.
    virtual bool folderUsable(const std::filesystem::path& folder) const = 0;
    /// Runs a program (found on $PATH, no shell) and gives its standard
    /// output; nothing when it could not run or exited with a failure.
    virtual std::optional<std::string> commandOutput(
        const std::vector<std::string>& argv) const = 0;
};

}  // namespace halvora::platform
