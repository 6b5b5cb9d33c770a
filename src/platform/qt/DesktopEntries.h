#pragma once

#include "platform/Workspace.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::platform::qt {

/// The installed applications as their desktop entries describe them
/// (applications/*.desktop under the XDG data directories), for showing an
/// application identifier the way the desktop shows the application.
///
/// An identifier names an entry when it is the entry's desktop-file ID
/// ("org.mozilla.firefox"), or when the program the entry is named after or
/// starts (its file name, its Exec) has that identifier in the keystroke
/// bridge's table ("firefox-esr" → org.mozilla.firefox), or is it. Entries of
/// earlier directories hide those of the same ID in later ones; hidden
/// entries and those that are not applications name nothing.
///
/// The entries are read on first use and again when a directory changed.
class DesktopEntries {
  public:
    /// `dataDirectories` in order of precedence; `languages` the user's, most
    /// wanted first ("vi_VN", "vi").
    DesktopEntries(std::vector<std::filesystem::path> dataDirectories,
                   std::vector<std::string> languages);

    /// $XDG_DATA_HOME, then $XDG_DATA_DIRS (/usr/local/share:/usr/share
    /// when unset).
    static std::vector<std::filesystem::path> xdgDataDirectories();
    /// The languages of $LANGUAGE, $LC_ALL, $LC_MESSAGES and $LANG, each
    /// also without its country, then Vietnamese, the program's own.
    static std::vector<std::string> userLanguages();

    std::optional<ApplicationLabel> find(std::string_view identifier) const;

  private:
    struct Entry {
        std::string id;
        /// The program names the entry answers to: its file name, its
        /// Exec's program, its window class.
        std::vector<std::string> programs;
        ApplicationLabel label;
    };

    void refreshIfChanged() const;
    std::optional<Entry> read(const std::filesystem::path& file, std::string id) const;

    std::vector<std::filesystem::path> directories_;
    std::vector<std::string> languages_;
    mutable std::vector<std::filesystem::file_time_type> stamps_;
    mutable std::vector<Entry> entries_;
    mutable bool loaded_ = false;
};

}  // namespace halvora::platform::qt
