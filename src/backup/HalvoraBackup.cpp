#include "backup/HalvoraBackup.h"

#include <chrono>

namespace halvora::backup {

double HalvoraBackup::now() {
    // 2001-01-01 00:00:00 UTC in Unix time.
    constexpr double kReferenceDate = 978307200.0;
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration<double>(sinceEpoch).count() - kReferenceDate;
}

}  // namespace halvora::backup
