#pragma once

#include <cstddef>
#include <filesystem>

namespace halvora::backup {

struct BackupImportResult {
    /// Snippets added to the list.
    std::size_t importedCount = 0;
    /// Imported snippets given a new code because theirs was taken.
    std::size_t renamedCodes = 0;
    /// Archive snippets left out because a snippet with their id exists.
    std::size_t skippedCount = 0;
    /// The archive of the data as it was, written before the import.
    std::filesystem::path safetyCopy;

    friend bool operator==(const BackupImportResult&, const BackupImportResult&) = default;
};

}  // namespace halvora::backup
