#include "backup/HalvoraBackup.h"

#include <chrono>
#include <cmath>

namespace halvora::backup {

double HalvoraBackup::now() {
    // 2001-01-01 00:00:00 UTC in Unix time.
    constexpr double kReferenceDate = 978307200.0;
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(sinceEpoch).count() - kReferenceDate;
}

bool HalvoraBackup::isValidDate(double createdAt) {
    // 0001-01-01 and 9999-12-31 in seconds since 2001-01-01, rounded inwards.
    constexpr double kEarliest = -63'113'904'000.0;
    constexpr double kLatest = 252'423'907'200.0;
    return std::isfinite(createdAt) && createdAt >= kEarliest && createdAt <= kLatest;
}

}  // namespace halvora::backup
