#include "backup/FileWriter.h"

#include "backup/Together.h"
#include "util/Files.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <memory>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace halvora::backup {
namespace fs = std::filesystem;

void FileWriter::streamAtomically(const fs::path& file, const Producer& produce) {
    std::string content;
    StringSink sink(content);
    produce(sink);
    writeAtomically(file, content);
}

void FileWriter::writeAllAtomically(std::span<const FileContent> files, const Written& written) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        writeAtomically(files[i].file, files[i].bytes);
        written(i);
    }
}

namespace {

[[noreturn]] void throwErrno(int error, const std::string& what) {
    throw std::system_error(error, std::generic_category(), what);
}

/// Asks the kernel to start writing a range of the file to the disk now,
/// without waiting, so that the final flush finds most of it done. Only a
/// hint: where it does not exist, the flush does all the work.
void kickWriteback(int fd, off_t offset, off_t length) {
#if defined(__linux__)
    ::sync_file_range(fd, offset, length, SYNC_FILE_RANGE_WRITE);
#else
    (void)fd;
    (void)offset;
    (void)length;
#endif
}

/// A temporary file beside its target (as util::writeFileAtomically makes
/// them: ".<name>.XXXXXX", mode 0600), removed again unless it was renamed
/// over the target.
class TemporaryFile {
  public:
    explicit TemporaryFile(const fs::path& target) : target_(target) {
        const fs::path parent = target.parent_path();
        std::string pattern = ((parent.empty() ? fs::path(".") : parent) /
                               ("." + target.filename().string() + ".XXXXXX"))
                                  .string();
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0) {
            throwErrno(errno, "cannot create a temporary file beside " + target.string());
        }
        path_ = std::move(pattern);
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!committed_) {
            ::unlink(path_.c_str());
        }
    }

    void write(const char* data, std::size_t size) {
        while (size > 0) {
            const ssize_t count = ::write(fd_, data, size);
            if (count < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throwErrno(errno, "cannot write " + path_);
            }
            data += count;
            size -= static_cast<std::size_t>(count);
            written_ += static_cast<off_t>(count);
        }
    }

    /// Starts the disk on what was written since the last call.
    void startWriteback() {
        if (written_ > started_) {
            kickWriteback(fd_, started_, written_ - started_);
            started_ = written_;
        }
    }

    off_t unstarted() const { return written_ - started_; }

    /// Flushes the content to the disk, closes the file and renames it over
    /// the target.
    void commit() {
        flush();
        publish();
    }

    /// Waits until the content is on the disk. May run on another thread
    /// than the rest (nothing else touches the file meanwhile).
    void flush() {
        if (::fsync(fd_) != 0) {
            throwErrno(errno, "cannot flush " + path_);
        }
    }

    /// Closes the flushed file and renames it over the target.
    void publish() {
        const int result = ::close(fd_);
        fd_ = -1;
        if (result != 0) {
            throwErrno(errno, "cannot close " + path_);
        }
        if (::rename(path_.c_str(), target_.c_str()) != 0) {
            throwErrno(errno, "cannot replace " + target_.string());
        }
        committed_ = true;
    }

  private:
    fs::path target_;
    std::string path_;
    int fd_ = -1;
    off_t written_ = 0;
    off_t started_ = 0;
    bool committed_ = false;
};

/// Writes straight to the temporary file, starting the disk on every few
/// megabytes as they come.
class TemporaryFileSink final : public ByteSink {
  public:
    explicit TemporaryFileSink(TemporaryFile& file) : file_(file) {}

    void write(std::string_view bytes) override {
        file_.write(bytes.data(), bytes.size());
        if (file_.unstarted() >= kWritebackStep) {
            file_.startWriteback();
        }
    }

  private:
    static constexpr off_t kWritebackStep = 8 << 20;
    TemporaryFile& file_;
};

}  // namespace

void AtomicFileWriter::writeAtomically(const fs::path& file, std::string_view bytes) {
    util::writeFileAtomically(file, bytes);
}

void AtomicFileWriter::streamAtomically(const fs::path& file, const Producer& produce) {
    TemporaryFile temporary(file);
    TemporaryFileSink sink(temporary);
    produce(sink);
    temporary.commit();
}

namespace {

/// Flushes every temporary file, several at a time: a disk asked for
/// several flushes at once commits them together, where one after another
/// each waits for its own commit. Each file's failure is kept for it.
void flushTogether(const std::vector<std::unique_ptr<TemporaryFile>>& files,
                   std::vector<std::exception_ptr>& failures) {
    constexpr std::size_t kFlushers = 4;
    runTogether(files.size(), kFlushers, [&](std::size_t i) {
        try {
            files[i]->flush();
        } catch (...) {
            failures[i] = std::current_exception();
        }
    });
}

}  // namespace

void AtomicFileWriter::writeAllAtomically(std::span<const FileContent> files,
                                          const Written& written) {
    // The bytes of several files go to their temporary files first, each
    // one's writing to the disk started at once; they are then flushed
    // together, and renamed in order. A window of files at a time keeps few
    // descriptors open.
    constexpr std::size_t kWindow = 64;
    for (std::size_t first = 0; first < files.size(); first += kWindow) {
        const std::size_t end = std::min(files.size(), first + kWindow);
        std::vector<std::unique_ptr<TemporaryFile>> temporaries;
        temporaries.reserve(end - first);
        for (std::size_t i = first; i < end; ++i) {
            temporaries.push_back(std::make_unique<TemporaryFile>(files[i].file));
            temporaries.back()->write(files[i].bytes.data(), files[i].bytes.size());
            temporaries.back()->startWriteback();
        }
        std::vector<std::exception_ptr> failures(temporaries.size());
        flushTogether(temporaries, failures);
        for (std::size_t i = first; i < end; ++i) {
            if (failures[i - first]) {
                std::rethrow_exception(failures[i - first]);
            }
            temporaries[i - first]->publish();
            written(i);
        }
    }
}

bool AtomicFileWriter::remove(const fs::path& file) noexcept {
    std::error_code error;
    fs::remove(file, error);
    return !error;
}

}  // namespace halvora::backup
