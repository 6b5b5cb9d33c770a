#pragma once

#include "backup/HalvoraBackup.h"

#include <utility>

namespace halvora::backup {

/// An archive that passed every check of BackupService::validate, its
/// images each decoded once on the way. Only BackupService makes one (load,
/// check), and it cannot be changed afterwards, so restore can trust it
/// without decoding the images again.
class CheckedBackup {
  public:
    const HalvoraBackup& archive() const noexcept { return archive_; }
    const HalvoraBackup& operator*() const noexcept { return archive_; }
    const HalvoraBackup* operator->() const noexcept { return &archive_; }

    /// Gives the archive up as a plain one, which is no longer known to be
    /// checked: restore checks it again. Only from a temporary (or a moved
    /// object), so that a 200 MB archive is never copied unnoticed.
    operator HalvoraBackup() && { return std::move(archive_); }

    friend bool operator==(const CheckedBackup&, const CheckedBackup&) = default;

  private:
    friend struct CheckedBackupFactory;
    explicit CheckedBackup(HalvoraBackup archive) : archive_(std::move(archive)) {}

    HalvoraBackup archive_;
};

}  // namespace halvora::backup
