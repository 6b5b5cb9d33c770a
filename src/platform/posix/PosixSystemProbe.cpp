#include "platform/posix/PosixSystemProbe.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace halvora::platform::posix {
namespace fs = std::filesystem;

bool PosixSystemProbe::processRunning(std::string_view name) const {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        std::ifstream comm(entry.path() / "comm");
        std::string line;
        if (comm && std::getline(comm, line) && line == name) {
            return true;
        }
    }
    return false;
}

bool PosixSystemProbe::executableInPath(std::string_view name) const {
    const std::string path = environment("PATH");
    std::string_view rest = path;
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const fs::path dir(rest.substr(0, colon));
        if (::access((dir / name).c_str(), X_OK) == 0) {
            return true;
        }
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return false;
}

bool PosixSystemProbe::fileExists(const fs::path& file) const {
    std::error_code error;
    return !file.empty() && fs::exists(file, error);
}

std::string PosixSystemProbe::environment(std::string_view name) const {
    const char* value = std::getenv(std::string(name).c_str());
    return value ? value : "";
}

bool PosixSystemProbe::folderUsable(const fs::path& folder) const {
    fs::path existing = folder;
    std::error_code error;
    while (!existing.empty() && !fs::exists(existing, error)) {
        existing = existing.parent_path();
    }
    return !existing.empty() && fs::is_directory(existing, error) &&
           ::access(existing.c_str(), W_OK | X_OK) == 0;
}

std::optional<std::string> PosixSystemProbe::commandOutput(
    const std::vector<std::string>& argv) const {
    if (argv.empty()) {
        return std::nullopt;
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return std::nullopt;
    }
    std::vector<std::string> arguments = argv;
    std::vector<char*> args;
    for (std::string& a : arguments) {
        args.push_back(a.data());
    }
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return std::nullopt;
    }
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        const int devnull = ::open("/dev/null", O_WRONLY);
        if (devnull >= 0) {
            ::dup2(devnull, STDERR_FILENO);
        }
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string text;
    std::array<char, 4096> buffer;
    ssize_t n = 0;
    while ((n = ::read(pipeFds[0], buffer.data(), buffer.size())) > 0 ||
           (n < 0 && errno == EINTR)) {
        if (n > 0) {
            text.append(buffer.data(), static_cast<std::size_t>(n));
        }
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return std::nullopt;
    }
    return text;
}

}  // namespace halvora::platform::posix
