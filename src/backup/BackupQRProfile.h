#pragma once

#include "platform/UserDefaults.h"

#include <optional>
#include <string>
#include <vector>

namespace halvora::backup {

/// The QR account as an archive carries it. Archives written here always
/// hold all six fields; older ones may lack the two optional ones.
struct BackupQRProfile {
    std::string bankID;
    std::string accountNumber;
    std::string accountName;
    std::string amount;
    std::optional<bool> randomMemo;
    std::optional<std::string> defaultMemo;

    friend bool operator==(const BackupQRProfile&, const BackupQRProfile&) = default;

    /// The six "qr." keys read the way the QR profile reads them.
    static BackupQRProfile fromDefaults(const platform::UserDefaults& defaults);

    /// Writes all six keys in one batch, so that no crash leaves half an
    /// account (a new bank with the old account number): a missing
    /// randomMemo turns random memos on, a missing defaultMemo clears the
    /// default memo. Throws platform::DefaultsSaveError; nothing changed then.
    void restore(platform::UserDefaults& defaults) const;

    /// The six keys as they are stored now, absent ones as removals: the
    /// batch that puts them back.
    static std::vector<platform::DefaultsChange> stored(const platform::UserDefaults& defaults);
};

}  // namespace halvora::backup
