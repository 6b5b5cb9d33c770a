#pragma once

namespace halvora::backup {

enum class BackupImportMode {
    /// Adds the archive's snippets to the current ones.
    merge,
    /// Replaces the current snippets and the QR profile.
    replace,
};

}  // namespace halvora::backup
