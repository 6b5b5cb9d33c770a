#pragma once

#include "backup/BackupImage.h"
#include "backup/BackupQRProfile.h"
#include "snippets/Snippet.h"
#include "util/Uuid.h"

#include <cstdint>
#include <map>
#include <vector>

namespace halvora::backup {

/// Everything the user set up, as one archive: the snippets, the images they
/// paste (keyed by snippet id) and the QR account.
struct HalvoraBackup {
    static constexpr std::int64_t currentVersion = 1;

    std::int64_t version = currentVersion;
    /// Seconds since 2001-01-01 00:00:00 UTC.
    double createdAt = 0;
    std::vector<snippets::Snippet> snippets;
    std::map<util::Uuid, BackupImage> images;
    BackupQRProfile qrProfile;

    friend bool operator==(const HalvoraBackup&, const HalvoraBackup&) = default;

    /// The current time in createdAt's reckoning.
    static double now();

    /// Whether a createdAt is a time that converts to a calendar date: a
    /// finite number of seconds between the years 1 and 9999. Anything
    /// else is refused before any conversion, which would otherwise be
    /// undefined for an out-of-range double.
    static bool isValidDate(double createdAt);
};

}  // namespace halvora::backup
