#pragma once

#include "platform/LoginItems.h"

#include <filesystem>
#include <optional>
#include <string>

namespace halvora::platform::qt {

/// Launch at login through the freedesktop autostart folder: the program is
/// a login item while "$XDG_CONFIG_HOME/autostart/<name>.desktop" exists
/// (~/.config when the variable is unset or relative).
class XdgLoginItems final : public LoginItems {
  public:
    /// `name` is the entry's file name without ".desktop"; `executable` the
    /// program the entry starts.
    XdgLoginItems(std::string name, std::filesystem::path executable);

    /// enabled when the entry exists, notRegistered when it does not,
    /// notFound when there is no home folder to keep it in.
    LoginItemStatus status() const override;
    /// Writes the entry atomically (replacing an older one).
    std::optional<PlatformError> registerLoginItem() override;
    /// Removes the entry; removing one that is not there succeeds.
    std::optional<PlatformError> unregisterLoginItem() override;

    /// Where the entry lives, read from the environment on every call.
    std::optional<std::filesystem::path> entryFile() const;
    /// The entry's text.
    std::string entryText() const;

  private:
    std::string name_;
    std::filesystem::path executable_;
};

/// `argument` quoted for the Exec key of a desktop entry: in double quotes
/// with `"`, `` ` ``, `$` and `\` escaped, then with every `\` doubled as a
/// string value requires.
std::string desktopExecArgument(const std::string& argument);

}  // namespace halvora::platform::qt
