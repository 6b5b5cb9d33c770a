#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace halvora::backup {

/// Where a long output goes piece by piece.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    /// Throws std::system_error when the bytes cannot be written.
    virtual void write(std::string_view bytes) = 0;
};

/// A sink that keeps everything in one string.
class StringSink final : public ByteSink {
  public:
    explicit StringSink(std::string& out) : out_(out) {}
    void write(std::string_view bytes) override { out_.append(bytes); }

  private:
    std::string& out_;
};

/// One file of a batch: where it goes and what it holds.
struct FileContent {
    std::filesystem::path file;
    std::string_view bytes;
};

/// The file changes an export or an import makes. The backup service takes
/// one so that a failing disk can be put in its place: an implementation
/// needs only writeAtomically and remove; the streaming and batch forms
/// fall back on writeAtomically unless it does them better.
class FileWriter {
  public:
    using Producer = std::function<void(ByteSink&)>;
    using Written = std::function<void(std::size_t index)>;

    virtual ~FileWriter() = default;

    /// Replaces `file` with `bytes` in one step (the old content stays intact
    /// when it fails). Throws std::system_error.
    virtual void writeAtomically(const std::filesystem::path& file, std::string_view bytes) = 0;

    /// Replaces `file`, in one step as above, with what `produce` writes to
    /// the sink it is given. Whatever `produce` throws leaves `file` as it
    /// was and is rethrown. This default collects the bytes in memory and
    /// hands them to writeAtomically.
    virtual void streamAtomically(const std::filesystem::path& file, const Producer& produce);

    /// Writes the files in order, each in one step as above, and calls
    /// `written(i)` as soon as file i is in place. A failure stops the batch
    /// and is rethrown: the files reported before it stay (the caller may
    /// remove them), the others are untouched. This default writes them one
    /// after another with writeAtomically.
    virtual void writeAllAtomically(std::span<const FileContent> files, const Written& written);

    /// Removes `file`; false when that failed.
    virtual bool remove(const std::filesystem::path& file) noexcept = 0;
};

/// Writes through a temporary file beside the target (mode 0600), flushed to
/// the disk and renamed over it, as util::writeFileAtomically. Streams go to
/// the disk as they are produced, without the whole content in memory; a
/// batch is written before any of it is flushed, so that the disk works on
/// all its files at once.
class AtomicFileWriter final : public FileWriter {
  public:
    void writeAtomically(const std::filesystem::path& file, std::string_view bytes) override;
    void streamAtomically(const std::filesystem::path& file, const Producer& produce) override;
    void writeAllAtomically(std::span<const FileContent> files, const Written& written) override;
    bool remove(const std::filesystem::path& file) noexcept override;
};

}  // namespace halvora::backup
