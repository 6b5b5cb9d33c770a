#pragma once

// `halvora backup`: exports the snippets, their images and the QR account to
// one archive file, imports such an archive by merge or replacement, and
// shows what an archive holds, with the backup page's own messages.

#include "backup/BackupImportMode.h"
#include "backup/BackupService.h"
#include "platform/UserDefaults.h"
#include "snippets/SnippetStore.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace halvora::cli {

struct BackupOptions {
    enum class Action { exportArchive, importArchive, inspect };

    Action action = Action::inspect;
    std::filesystem::path file;
    /// Import only: merge or replace (required).
    backup::BackupImportMode mode = backup::BackupImportMode::merge;
    /// The snippet store's folder; the user's own data folder when absent.
    std::optional<std::filesystem::path> dataFolder;
    /// The folder of the user-defaults file; the user's own file when absent.
    std::optional<std::filesystem::path> configFolder;

    friend bool operator==(const BackupOptions&, const BackupOptions&) = default;
};

/// The options, or the usage error's message.
std::variant<BackupOptions, std::string> parseBackupArguments(
    const std::vector<std::string_view>& args);

/// Carries out the action on the given store, defaults and ports. Prints the
/// success message on `out` and returns 0, or the error's description on
/// `err` and returns 1.
int runBackup(const BackupOptions& options, snippets::SnippetStore& store,
              platform::UserDefaults& defaults, const backup::BackupPorts& ports, std::ostream& out,
              std::ostream& err);

/// The whole command on the data folder, the settings file and the real
/// image decoders; progress goes to standard error when it is a terminal.
/// Returns the exit status (2 for a usage error).
int runBackupCommand(const std::vector<std::string_view>& args, std::ostream& out,
                     std::ostream& err);

}  // namespace halvora::cli
