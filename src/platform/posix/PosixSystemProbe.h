#pragma once

#include "platform/SystemProbe.h"

namespace halvora::platform::posix {

/// The machine itself: /proc, $PATH, access(2), fork and exec.
class PosixSystemProbe final : public SystemProbe {
  public:
    bool processRunning(std::string_view name) const override;
    bool executableInPath(std::string_view name) const override;
    bool fileExists(const std::filesystem::path& file) const override;
    std::string environment(std::string_view name) const override;
    bool folderUsable(const std::filesystem::path& folder) const override;
    std::optional<std::string> commandOutput(const std::vector<std::string>& argv) const override;
};

}  // namespace halvora::platform::posix
