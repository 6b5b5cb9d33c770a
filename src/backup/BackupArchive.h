#pragma once

// The archive file: one compact JSON object
//   {"version":1,"createdAt":<seconds since 2001>,"snippets":[...],
//    "images":{"<UPPER-CASE UUID>":{"fileExtension":"png","data":"<Base64>"},...},
//    "qrProfile":{"bankID":...,"accountNumber":...,"accountName":...,"amount":...,
//                 "randomMemo":true,"defaultMemo":...}}
// with the snippets exactly as in the snippets file. Readers look keys up by
// name and accept ids in either case.

#include "backup/FileWriter.h"
#include "backup/HalvoraBackup.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace halvora::backup {

/// An archive being written: the small parts are encoded when it is made,
/// the images (by reference to the archive, which must outlive it) only as
/// they are written, a few hundred kilobytes of Base64 text at a time.
class ArchiveEncoder {
  public:
    explicit ArchiveEncoder(const HalvoraBackup& backup);

    /// The exact length of the archive, known before a byte is written.
    std::uint64_t size() const noexcept { return size_; }

    void writeTo(ByteSink& sink) const;

    // The same archive piece by piece, for a writer that brings the images
    // itself (export reads them one at a time): the head, one entry per
    // image (the first without a separating comma), the tail. The archive's
    // own images are not written by these.

    /// Everything up to the opening brace of "images".
    const std::string& head() const noexcept { return head_; }
    /// Everything from the closing brace of "images" to the end.
    const std::string& tail() const noexcept { return tail_; }
    static std::uint64_t imageEntrySize(const util::Uuid& id, std::string_view extension,
                                        std::size_t bytes, bool first);
    static void writeImageEntry(ByteSink& sink, const util::Uuid& id, std::string_view extension,
                                std::span<const std::uint8_t> bytes, bool first);

  private:
    const HalvoraBackup& backup_;
    std::string head_;
    std::string tail_;
    std::uint64_t size_ = 0;
};

/// The whole archive as one string.
std::string encodeArchive(const HalvoraBackup& backup);

/// The bytes decodeArchiveInPlace needs after the text (the JSON parser's
/// padding).
std::size_t archivePadding() noexcept;

/// Decodes an archive whose text is the first `size` bytes of `buffer`
/// (which has at least archivePadding() bytes more), reading it in place:
/// each image's Base64 text is decoded over itself, and the images are those
/// parts of the buffer, which `owner` must keep alive (they share it). The
/// buffer is changed only there. Throws BackupError::invalidFile with
/// "không đọc được định dạng" for anything that is not an archive (bad JSON,
/// a missing key, a wrong type, an id that is not a UUID, data that is not
/// Base64). Checks nothing further: see BackupService::validate.
HalvoraBackup decodeArchiveInPlace(std::span<char> buffer, std::size_t size,
                                   std::shared_ptr<const void> owner);

/// The same for an archive held in a string.
HalvoraBackup decodeArchive(std::string bytes);

}  // namespace halvora::backup
