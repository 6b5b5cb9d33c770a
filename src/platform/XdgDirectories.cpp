#include "platform/XdgDirectories.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace halvora::platform {
namespace fs = std::filesystem;
namespace {

std::optional<fs::path> absoluteFromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    fs::path path(value);
    // Relative values are invalid by the base-directory rules and ignored.
    if (!path.is_absolute()) {
        return std::nullopt;
    }
    return path;
}

std::optional<fs::path> homeDirectory() {
    if (auto home = absoluteFromEnvironment("HOME")) {
        return home;
    }
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
        result != nullptr && result->pw_dir != nullptr && result->pw_dir[0] == '/') {
        return fs::path(result->pw_dir);
    }
    return std::nullopt;
}

std::optional<fs::path> baseDirectory(const char* variable, const fs::path& fallbackUnderHome) {
    if (auto fromEnvironment = absoluteFromEnvironment(variable)) {
        return fromEnvironment;
    }
    if (auto home = homeDirectory()) {
        return *home / fallbackUnderHome;
    }
    return std::nullopt;
}

}  // namespace

std::optional<fs::path> xdgConfigHome() {
    return baseDirectory("XDG_CONFIG_HOME", ".config");
}

std::optional<fs::path> xdgDataHome() {
    return baseDirectory("XDG_DATA_HOME", fs::path(".local") / "share");
}

}  // namespace halvora::platform
