#pragma once

// Writing and reading back archives of everything the user set up. All
// operations are synchronous and throw: BackupError for the refusals the user
// reads, std::system_error (with the system's own text) for file failures.

#include "backup/BackupImportMode.h"
#include "backup/BackupImportResult.h"
#include "backup/CheckedBackup.h"
#include "backup/FileWriter.h"
#include "backup/HalvoraBackup.h"
#include "backup/ImageCheck.h"
#include "platform/ImageCodec.h"
#include "platform/UserDefaults.h"
#include "snippets/SnippetStore.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace halvora::backup {

/// Where a long export or import is: the stage's name and how many of its
/// steps are done out of how many.
using BackupProgress =
    std::function<void(std::string_view stage, std::size_t done, std::size_t total)>;

/// What the service needs from the platform: a check that proves image
/// bytes are an image (by decoding them), and the file writer.
class BackupPorts {
  public:
    BackupPorts(const ImageCheck& images, FileWriter& files, BackupProgress progress = {})
        : files(files), progress(std::move(progress)), images_(&images) {}
    /// Checks images with the codec's full decode (CodecImageCheck).
    BackupPorts(const platform::ImageCodec& codec, FileWriter& files, BackupProgress progress = {})
        : files(files), progress(std::move(progress)), codecCheck_(std::in_place, codec) {}

    FileWriter& files;
    BackupProgress progress;

    const ImageCheck& images() const { return codecCheck_ ? *codecCheck_ : *images_; }

    void report(std::string_view stage, std::size_t done, std::size_t total) const {
        if (progress) {
            progress(stage, done, total);
        }
    }

  private:
    const ImageCheck* images_ = nullptr;
    std::optional<CodecImageCheck> codecCheck_;
};

namespace BackupService {

/// The 200 MB limit of an archive file, of an encoded archive and of the sum
/// of its images (decimal megabytes).
inline constexpr std::uint64_t maxArchiveBytes = 200'000'000;
inline constexpr std::uint64_t maxImageBytes = 25'000'000;
inline constexpr std::size_t maxSnippets = 5'000;

/// The beginning of every safety copy's file name.
inline constexpr std::string_view safetyCopyPrefix = "truoc-khi-nhap-";

/// Writes an archive of the store's snippets and images and of the QR
/// profile in `defaults` to `destination` (owner read and write only). The
/// store is saved first. Refuses the snippets file and the current image
/// files as destination. Each image is read, checked by decoding once and
/// stored byte for byte; the archive goes to the file as it is encoded.
void exportArchive(snippets::SnippetStore& store, const std::filesystem::path& destination,
                   const platform::UserDefaults& defaults, const BackupPorts& ports);

/// Reads, decodes and validates an archive file, decoding each image once.
/// Anything but a regular file (a folder, a device, a pipe) is refused
/// before it is read. A file over the limit is refused from its size before it is read (and at
/// most the limit and one byte are ever read, whatever the file system says).
CheckedBackup load(const std::filesystem::path& file, const BackupPorts& ports);

/// Validates an archive made in memory (see validate) and marks it checked.
CheckedBackup check(HalvoraBackup backup, const ImageCheck& images);

/// The checks every archive must pass, in their order; the first failure is
/// thrown. Decodes every image once.
void validate(const HalvoraBackup& backup, const ImageCheck& images);
/// The same with the codec's full decode as the image check.
void validate(const HalvoraBackup& backup, const platform::ImageCodec& codec);

/// Imports a loaded archive. Everything is checked and a safety copy of the
/// current data is written into the data folder before anything changes; a
/// failure while writing removes the images this import wrote and leaves the
/// snippets file as it was. `replace` also writes the archive's QR profile.
/// A checked archive's images are not decoded again (its other checks are
/// repeated, which costs next to nothing).
BackupImportResult restore(const CheckedBackup& backup, snippets::SnippetStore& store,
                           BackupImportMode mode, platform::UserDefaults& defaults,
                           const BackupPorts& ports);
/// The same for an archive not known to be checked: it is validated in full
/// first, images decoded included.
BackupImportResult restore(const HalvoraBackup& backup, snippets::SnippetStore& store,
                           BackupImportMode mode, platform::UserDefaults& defaults,
                           const BackupPorts& ports);

/// The code a merged snippet gets when its own is taken: ";" + the ASCII
/// letters, digits and "_" of the code (or "nhap") + "_2", "_3", ... — the
/// first whose lower-cased form is not in `takenCodes` (lower-cased codes
/// with their leading ";").
std::string renamedCode(std::string_view trigger,
                        const std::unordered_set<std::string>& takenCodes);

/// The lower-cased code with ";" in front, the form merge compares.
std::string comparableCode(std::string_view trigger);

}  // namespace BackupService
}  // namespace halvora::backup
