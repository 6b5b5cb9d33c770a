#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>

namespace halvora::util {

/// How old a temporary file must be before it is taken for what an
/// interrupted write left behind: a write still running (in another process
/// of the program) is far younger.
inline constexpr std::chrono::minutes leftoverAge{15};

/// The name of the file a TemporaryFile called `name` was made for
/// (".snippets.json.a1B2c3" gives "snippets.json"); nothing for any other name.
std::optional<std::string_view> temporaryFileTarget(std::string_view name);

/// The file a chain of symbolic links ends at (`file` itself when it is no
/// link): where a TemporaryFile for `file` is made and what it replaces. A
/// chain too long or a link that cannot be read stops where it is.
std::filesystem::path followLinks(std::filesystem::path file);

/// A temporary file beside `target` (".<name>.XXXXXX", mode 0600) that
/// becomes the target, or another name, only once it is complete; removed
/// again if it never does. When the target is a symbolic link (or a chain of
/// them), the file at its end is the target: the link stays. Errors throw
/// std::system_error.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::filesystem::path& target);
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile();

    const std::filesystem::path& path() const { return path_; }

    void write(const char* data, std::size_t size);
    /// Asks the kernel to start writing what was written since the last
    /// call to the disk, without waiting, so that the flush finds most of it
    /// done. Only a hint.
    void startWriteback();
    /// Bytes written that the disk has not been asked to start on.
    std::int64_t unstarted() const { return written_ - started_; }

    /// Waits until the content is on the disk. May run on another thread
    /// than the rest (nothing else touches the file meanwhile).
    void flush();
    /// Closes the file; its error can be the first sign of a failed write.
    void close();
    /// Closes the flushed file and renames it over the target.
    void publish();
    /// flush(), then publish().
    void commit();
    /// Gives the closed file the name `name` without replacing anything;
    /// false when that name exists already.
    bool publishAs(const std::filesystem::path& name);

  private:
    void renameTo(const std::filesystem::path& name);

    std::filesystem::path target_;
    std::filesystem::path path_;
    int fd_ = -1;
    std::int64_t written_ = 0;
    std::int64_t started_ = 0;
    bool committed_ = false;
};

}  // namespace halvora::util
