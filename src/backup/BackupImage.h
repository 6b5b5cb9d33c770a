#pragma once

#include "platform/PlatformError.h"

#include <string>

namespace halvora::backup {

/// One snippet image inside an archive: its bytes exactly as they were in the
/// data folder, never re-encoded.
struct BackupImage {
    /// Lower case, one of the allowed image extensions.
    std::string fileExtension;
    platform::Bytes data;

    friend bool operator==(const BackupImage&, const BackupImage&) = default;
};

}  // namespace halvora::backup
