#pragma once

// `halvora config`: reads and edits the user defaults the application and the
// other commands use, with each value's type kept (a Boolean stays a
// Boolean), so that settings can be made without the workspace window.

#include <filesystem>
#include <optional>
#include <ostream>
#include <string_view>
#include <vector>

namespace halvora::cli {

/// The settings file: DIR/defaults.json for `--config DIR`, otherwise the
/// user's own file; nothing when no home folder is known.
std::optional<std::filesystem::path> defaultsFile(
    const std::optional<std::filesystem::path>& configFolder);

/// Runs `config` with the arguments that follow it:
///   get KEY | set [--string|--bool|--int|--double] KEY VALUE |
///   set --array KEY [VALUE...] | unset KEY | list, each with [--config DIR].
/// Returns the exit status: 0 done, 1 a key not set (get) or a file that
/// cannot be saved, 2 a usage error.
int runConfigCommand(const std::vector<std::string_view>& args, std::ostream& out,
                     std::ostream& err);

}  // namespace halvora::cli
