#include "util/TemporaryFile.h"

#include "util/Errors.h"

#include <algorithm>
#include <cerrno>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace halvora::util {
namespace fs = std::filesystem;

/// A chain of symbolic links is followed so that replacing a linked
/// settings file (a dotfiles set-up) replaces the file and keeps the link;
/// where the chain cannot be followed, the replace happens there, as
/// rename() would do anyway.
fs::path followLinks(fs::path file) {
    constexpr int kMaxLinks = 40;  // the kernel's own limit
    for (int i = 0; i < kMaxLinks; ++i) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(file, error)) || error) {
            break;
        }
        const fs::path next = fs::read_symlink(file, error);
        if (error) {
            break;
        }
        file = next.is_absolute() ? next : file.parent_path() / next;
    }
    return file;
}

std::optional<std::string_view> temporaryFileTarget(std::string_view name) {
    // "." + the target's name + "." + the six characters mkostemp puts for XXXXXX.
    constexpr std::size_t kRandom = 6;
    if (name.size() < 2 + kRandom + 1 || name.front() != '.' ||
        name[name.size() - kRandom - 1] != '.') {
        return std::nullopt;
    }
    const std::string_view random = name.substr(name.size() - kRandom);
    const bool alphanumeric = std::all_of(random.begin(), random.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
    if (!alphanumeric) {
        return std::nullopt;
    }
    return name.substr(1, name.size() - kRandom - 2);
}

TemporaryFile::TemporaryFile(const fs::path& target) : target_(followLinks(target)) {
    const fs::path parent = target_.parent_path();
    std::string pattern = ((parent.empty() ? fs::path(".") : parent) /
                           ("." + target_.filename().string() + ".XXXXXX"))
                              .string();
    fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd_ < 0) {
        throwErrno(errno, "cannot create a temporary file beside " + target.string());
    }
    path_ = std::move(pattern);
}

TemporaryFile::~TemporaryFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!committed_) {
        ::unlink(path_.c_str());
    }
}

void TemporaryFile::write(const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t count = ::write(fd_, data, size);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno(errno, "cannot write " + path_.string());
        }
        data += count;
        size -= static_cast<std::size_t>(count);
        written_ += count;
    }
}

void TemporaryFile::startWriteback() {
    if (written_ > started_) {
#if defined(__linux__)
        ::sync_file_range(fd_, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
#endif
        started_ = written_;
    }
}

void TemporaryFile::flush() {
    if (::fsync(fd_) != 0) {
        throwErrno(errno, "cannot flush " + path_.string());
    }
}

void TemporaryFile::close() {
    const int result = ::close(fd_);
    fd_ = -1;
    if (result != 0) {
        throwErrno(errno, "cannot close " + path_.string());
    }
}

void TemporaryFile::publish() {
    close();
    renameTo(target_);
}

void TemporaryFile::commit() {
    flush();
    publish();
}

void TemporaryFile::renameTo(const fs::path& name) {
    if (::rename(path_.c_str(), name.c_str()) != 0) {
        throwErrno(errno, "cannot replace " + name.string());
    }
    committed_ = true;
}

bool TemporaryFile::publishAs(const fs::path& name) {
    if (::link(path_.c_str(), name.c_str()) == 0) {
        return true;  // the temporary name is removed by the destructor
    }
    if (errno == EEXIST) {
        return false;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EXDEV) {
        throwErrno(errno, "cannot create " + name.string());
    }
    // A file system without hard links: check, then rename.
    std::error_code ignored;
    if (fs::exists(name, ignored)) {
        return false;
    }
    renameTo(name);
    return true;
}

}  // namespace halvora::util
