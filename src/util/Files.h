#pragma once

// File helpers shared by every part that keeps data on disk. Every write goes
// to a temporary file in the target's folder, is flushed to the disk and then
// renamed over the target, so a reader never sees half a file and a crash
// leaves either the old or the new content.

#include <filesystem>
#include <string>
#include <string_view>

namespace halvora::util {

/// The whole content of a file. Throws std::system_error carrying the
/// system's error code (std::errc::no_such_file_or_directory when missing).
std::string readFile(const std::filesystem::path& file);

/// Replaces `file` atomically with `bytes`. The new file is private to the
/// user (mode 0600). Throws std::system_error; the old content is then intact.
void writeFileAtomically(const std::filesystem::path& file, std::string_view bytes);

/// Replaces `target` atomically with a copy of `source`. Throws
/// std::system_error; `target` is then unchanged.
void copyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target);

// Files kept aside stay in their own folder under the name
// "<stem>.<label>-<UTC time><extension>", for example
// "snippets.unreadable-20261208T174112Z.json" (a counter is added when that
// name is taken).

/// Renames `file` to a new aside name (never replacing an existing file) and
/// returns that name. Throws std::system_error.
std::filesystem::path moveAside(const std::filesystem::path& file, std::string_view label);

/// Copies `file` to a new aside name (never replacing an existing file),
/// leaving the original in place, and returns that name. Throws
/// std::system_error.
std::filesystem::path copyAside(const std::filesystem::path& file, std::string_view label);

}  // namespace halvora::util
