#pragma once

// Where Halvora keeps its files on a freedesktop system: the settings file
// under $XDG_CONFIG_HOME, the snippets and images under $XDG_DATA_HOME, each
// in a folder named for the product.

#include <filesystem>
#include <optional>
#include <string_view>

namespace halvora::platform {

/// The folder name used under both base directories.
inline constexpr std::string_view kProductFolderName = "HalvoraIndependentBeta";

/// $XDG_CONFIG_HOME when it is an absolute path, otherwise ~/.config; nothing
/// when no home directory can be found.
std::optional<std::filesystem::path> xdgConfigHome();

/// $XDG_DATA_HOME when it is an absolute path, otherwise ~/.local/share;
/// nothing when no home directory can be found.
std::optional<std::filesystem::path> xdgDataHome();

}  // namespace halvora::platform
