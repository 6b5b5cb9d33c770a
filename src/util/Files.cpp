#include "util/Files.h"

#include "util/Errors.h"
#include "util/TemporaryFile.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <limits>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace halvora::util {
namespace fs = std::filesystem;
namespace {

/// Closes a descriptor when the scope ends.
class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor& operator=(FileDescriptor&&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    /// Closes now and reports the error of close(), which can be the first
    /// sign of a failed write on some file systems.
    int close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

  private:
    int fd_;
};

fs::path folderOf(const fs::path& file) {
    const fs::path parent = file.parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

/// Makes a new name in `folder` durable at once. Used when a file is kept
/// aside, which is rare and must not be lost; a replacement skips it (the
/// data were flushed before the rename, so a crash leaves the old or the new
/// content, never a mix, and flushing the folder too would double the cost
/// of every save). Not every file system allows fsync on a directory; a
/// failure does not undo the completed rename.
void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

/// Opens a file for reading, refusing anything but a regular file. The open
/// does not wait for a pipe's writer (O_NONBLOCK, which changes nothing for
/// a regular file); the size of the regular file is given.
FileDescriptor openRegular(const fs::path& file, std::uint64_t& size) {
    FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        throwErrno(errno, "cannot open " + file.string());
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        throwErrno(errno, "cannot examine " + file.string());
    }
    if (!S_ISREG(info.st_mode)) {
        throwErrno(ENOTSUP, "not a regular file: " + file.string());
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return fd;
}

[[noreturn]] void throwTooLarge(const fs::path& file, std::uint64_t limit) {
    throwErrno(EFBIG, "larger than " + std::to_string(limit) + " bytes: " + file.string());
}

/// Copies at most `limit` bytes; a longer source is refused.
void copyContent(const fs::path& source, TemporaryFile& temporary, std::uint64_t limit) {
    std::uint64_t size = 0;
    FileDescriptor in = openRegular(source, size);
    if (size > limit) {
        throwTooLarge(source, limit);
    }
    std::array<char, 64 * 1024> buffer{};
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t count = ::read(in.get(), buffer.data(), buffer.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno(errno, "cannot read " + source.string());
        }
        if (count == 0) {
            break;
        }
        total += static_cast<std::uint64_t>(count);
        if (total > limit) {
            throwTooLarge(source, limit);  // it grew meanwhile
        }
        temporary.write(buffer.data(), static_cast<std::size_t>(count));
    }
}

std::string utcStamp() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm parts{};
    ::gmtime_r(&now, &parts);
    std::array<char, 32> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), "%Y%m%dT%H%M%SZ", &parts);
    return std::string(text.data(), length);
}

fs::path asideCandidate(const fs::path& file, std::string_view label, const std::string& stamp,
                        int attempt) {
    std::string name = file.stem().string() + "." + std::string(label) + "-" + stamp;
    if (attempt > 1) {
        name += "-" + std::to_string(attempt);
    }
    name += file.extension().string();
    return file.parent_path() / name;
}

constexpr int kMaxAsideAttempts = 1000;

}  // namespace

std::string readFile(const fs::path& file, std::uint64_t limit) {
    std::uint64_t size = 0;
    FileDescriptor fd = openRegular(file, size);
    if (size > limit) {
        throwTooLarge(file, limit);
    }
    std::string content;
    content.reserve(static_cast<std::size_t>(size));
    std::array<char, 64 * 1024> buffer{};
    for (;;) {
        const ssize_t count = ::read(fd.get(), buffer.data(), buffer.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno(errno, "cannot read " + file.string());
        }
        if (count == 0) {
            break;
        }
        content.append(buffer.data(), static_cast<std::size_t>(count));
        if (content.size() > limit) {
            throwTooLarge(file, limit);  // it grew meanwhile
        }
    }
    return content;
}

bool jsonNestingExceeds(std::string_view text, std::size_t maxDepth) {
    std::size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        switch (c) {
            case '"':
                inString = true;
                break;
            case '[':
            case '{':
                if (++depth > maxDepth) {
                    return true;
                }
                break;
            case ']':
            case '}':
                if (depth > 0) {
                    --depth;
                }
                break;
            default:
                break;
        }
    }
    return false;
}

void writeFileAtomically(const fs::path& file, std::string_view bytes) {
    TemporaryFile temporary(file);
    temporary.write(bytes.data(), bytes.size());
    temporary.commit();
}

void copyFileAtomically(const fs::path& source, const fs::path& target, std::uint64_t limit) {
    TemporaryFile temporary(target);
    copyContent(source, temporary, limit);
    temporary.commit();
}

fs::path moveAside(const fs::path& file, std::string_view label) {
    const std::string stamp = utcStamp();
    for (int attempt = 1; attempt <= kMaxAsideAttempts; ++attempt) {
        const fs::path candidate = asideCandidate(file, label, stamp, attempt);
        // link() refuses an existing name, so nothing kept aside earlier is
        // ever replaced; the original name is removed only once the new one exists.
        if (::link(file.c_str(), candidate.c_str()) == 0) {
            if (::unlink(file.c_str()) != 0) {
                const int error = errno;
                ::unlink(candidate.c_str());
                throwErrno(error, "cannot move " + file.string());
            }
            syncFolder(folderOf(file));
            return candidate;
        }
        if (errno == EEXIST) {
            continue;
        }
        if (errno != EPERM && errno != ENOTSUP && errno != EXDEV) {
            throwErrno(errno, "cannot move " + file.string() + " to " + candidate.string());
        }
        // A file system without hard links: check, then rename.
        std::error_code ignored;
        if (fs::exists(candidate, ignored)) {
            continue;
        }
        if (::rename(file.c_str(), candidate.c_str()) != 0) {
            throwErrno(errno, "cannot move " + file.string() + " to " + candidate.string());
        }
        syncFolder(folderOf(file));
        return candidate;
    }
    throwErrno(EEXIST, "no free name to move " + file.string() + " aside");
}

fs::path copyAside(const fs::path& file, std::string_view label) {
    const std::string stamp = utcStamp();
    TemporaryFile temporary(file);
    copyContent(file, temporary, std::numeric_limits<std::uint64_t>::max());
    temporary.flush();
    temporary.close();
    for (int attempt = 1; attempt <= kMaxAsideAttempts; ++attempt) {
        const fs::path candidate = asideCandidate(file, label, stamp, attempt);
        if (temporary.publishAs(candidate)) {
            syncFolder(folderOf(file));
            return candidate;
        }
    }
    throwErrno(EEXIST, "no free name to copy " + file.string() + " aside");
}

std::vector<fs::path> filesIn(const fs::path& folder,
                              const std::function<bool(std::string_view)>& wanted,
                              std::optional<std::chrono::seconds> minimumAge) {
    std::vector<fs::path> found;
    const auto now = fs::file_time_type::clock::now();
    std::error_code error;
    for (fs::directory_iterator it(folder.empty() ? fs::path(".") : folder, error), end;
         !error && it != end; it.increment(error)) {
        std::error_code statusError;
        if (it->is_symlink(statusError) || !it->is_regular_file(statusError) ||
            !wanted(it->path().filename().string())) {
            continue;
        }
        if (minimumAge) {
            const auto written = it->last_write_time(statusError);
            if (statusError || written > now - *minimumAge) {
                continue;
            }
        }
        found.push_back(it->path());
    }
    return found;
}

std::size_t removeLeftovers(std::span<const fs::path> files,
                            const std::function<void(const std::string&)>& note) {
    std::size_t removed = 0;
    for (const fs::path& file : files) {
        std::error_code error;
        if (fs::remove(file, error)) {
            ++removed;
            note("Halvora removed the leftover " + file.filename().string());
        } else if (error) {
            note("Halvora cannot remove the leftover " + file.string() + ": " + error.message());
        }
    }
    return removed;
}

}  // namespace halvora::util
