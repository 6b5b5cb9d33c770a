#pragma once

// `halvora doctor`: a self-check of the pieces typing needs, in the manner of
// fcitx5's diagnose script: which input framework runs, whether it loaded the
// Halvora addon, whether halvora-desktop is attached, the input-method
// environment, the display server, the clipboard tools and the folders. It
// says in Vietnamese what to fix.

#include "platform/SystemProbe.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace halvora::cli {

/// What the check found on this machine; gathered by `gatherDoctorFacts`,
/// judged by `diagnose`.
struct DoctorFacts {
    bool fcitx5Running = false;
    bool ibusRunning = false;
    bool addonInstalled = false;
    /// The IBus engine's component file is installed.
    bool ibusEngineInstalled = false;
    /// Whether IBus lists the engine; absent when IBus was not asked.
    std::optional<bool> ibusEngineListed;
    /// Whether fcitx5 lists Halvora among its input methods; nothing when it
    /// could not be asked.
    std::optional<bool> addonLoaded;
    bool desktopInstalled = false;
    /// Whether halvora-desktop owns its bus name; nothing when the session
    /// bus could not be asked.
    std::optional<bool> desktopAttached;
    std::string gtkImModule;
    std::string qtImModule;
    std::string xmodifiers;
    std::string sessionType;  ///< "x11", "wayland" or "" (unknown)
    bool waylandClipboardTools = false;
    std::filesystem::path dataFolder;
    bool dataFolderUsable = false;
    std::filesystem::path configFolder;
    bool configFolderUsable = false;

    friend bool operator==(const DoctorFacts&, const DoctorFacts&) = default;
};

struct DoctorFinding {
    enum class Level { ok, warning, failure };
    Level level = Level::ok;
    std::string subject;  ///< what was checked
    std::string text;     ///< what was found and, when not ok, what to do

    friend bool operator==(const DoctorFinding&, const DoctorFinding&) = default;
};

/// The findings, in the order of the checks.
std::vector<DoctorFinding> diagnose(const DoctorFacts& facts);

/// Whether typing can work at all: no finding is a failure.
bool typingCanWork(const std::vector<DoctorFinding>& findings);

/// Looks at the running system through `probe`. The folders are the given
/// ones, else the user's own.
DoctorFacts gatherDoctorFacts(const platform::SystemProbe& probe,
                              const std::optional<std::filesystem::path>& dataFolder,
                              const std::optional<std::filesystem::path>& configFolder);

/// Prints the findings; the exit status: 0 when typing can work, 1 otherwise.
int printDoctorReport(const std::vector<DoctorFinding>& findings, std::ostream& out);

}  // namespace halvora::cli
