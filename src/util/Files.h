#pragma once

// File helpers shared by every part that keeps data on disk. Every write goes
// to a temporary file in the target's folder, is flushed to the disk and then
// renamed over the target, so a reader never sees half a file and a crash
// leaves either the old or the new content.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace halvora::util {

/// The whole content of a regular file of at most `limit` bytes. Throws
/// std::system_error carrying the system's error code
/// (std::errc::no_such_file_or_directory when missing). Anything but a
/// regular file (a folder, a device such as /dev/zero, a pipe) is refused
/// with std::errc::not_supported before anything is read, and opening never
/// waits for a pipe's writer; a file longer than `limit` is refused with
/// std::errc::file_too_large after at most `limit` + 1 bytes were read.
std::string readFile(const std::filesystem::path& file, std::uint64_t limit);

/// Whether JSON text opens more than `maxDepth` arrays and objects inside
/// one another (brackets inside strings do not count). Text that is not
/// JSON gives some answer; the parser refuses it anyway. A limit checked
/// before parsing keeps every later walk over the value (copying, writing
/// it out) from recursing deeper than that.
bool jsonNestingExceeds(std::string_view text, std::size_t maxDepth);

/// Replaces `file` atomically with `bytes`. The new file is private to the
/// user (mode 0600). When `file` is a symbolic link, the file it points to is
/// replaced and the link stays (see TemporaryFile). Throws std::system_error; the old content is
/// then intact.
void writeFileAtomically(const std::filesystem::path& file, std::string_view bytes);

/// Replaces `target` atomically with a copy of `source`, which must be a
/// regular file of at most `limit` bytes (as readFile). Throws
/// std::system_error; `target` is then unchanged.
void copyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target,
                        std::uint64_t limit);

// Files kept aside stay in their own folder under the name
// "<stem>.<label>-<UTC time><extension>", for example
// "snippets.unreadable-20261208T174112Z.json" (a counter is added when that
// name is taken).

/// Renames `file` to a new aside name (never replacing an existing file) and
/// returns that name. Throws std::system_error.
std::filesystem::path moveAside(const std::filesystem::path& file, std::string_view label);

/// Copies `file` to a new aside name (never replacing an existing file),
/// leaving the original in place, and returns that name. Only a regular file
/// is copied (as readFile, without a size limit: the copy streams). Throws
/// std::system_error.
std::filesystem::path copyAside(const std::filesystem::path& file, std::string_view label);

/// The regular files of `folder` (links are never taken) whose names
/// `wanted` accepts and that were last written at least `minimumAge` ago
/// (at any time when nothing). A folder that cannot be listed has none.
std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder,
                                           const std::function<bool(std::string_view)>& wanted,
                                           std::optional<std::chrono::seconds> minimumAge = {});

/// Removes the leftovers `files` of interrupted writes, telling `note` of
/// each removal and each failure (for the log); the number removed.
std::size_t removeLeftovers(std::span<const std::filesystem::path> files,
                            const std::function<void(const std::string&)>& note);

}  // namespace halvora::util
