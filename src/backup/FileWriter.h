#pragma once

#include <filesystem>
#include <string_view>

namespace halvora::backup {

/// The file changes an export or an import makes. The backup service takes
/// one so that a failing disk can be put in its place.
class FileWriter {
  public:
    virtual ~FileWriter() = default;

    /// Replaces `file` with `bytes` in one step (the old content stays intact
    /// when it fails). Throws std::system_error.
    virtual void writeAtomically(const std::filesystem::path& file, std::string_view bytes) = 0;

    /// Removes `file`; false when that failed.
    virtual bool remove(const std::filesystem::path& file) noexcept = 0;
};

/// Writes through a temporary file beside the target, flushed and renamed.
class AtomicFileWriter final : public FileWriter {
  public:
    void writeAtomically(const std::filesystem::path& file, std::string_view bytes) override;
    bool remove(const std::filesystem::path& file) noexcept override;
};

}  // namespace halvora::backup
