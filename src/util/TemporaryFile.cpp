#include "util/TemporaryFile.h"

#include "util/Errors.h"

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace halvora::util {
namespace fs = std::filesystem;

TemporaryFile::TemporaryFile(const fs::path& target) : target_(target) {
    const fs::path parent = target.parent_path();
    std::string pattern =
        ((parent.empty() ? fs::path(".") : parent) / ("." + target.filename().string() + ".XXXXXX"))
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
