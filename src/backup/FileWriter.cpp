#include "backup/FileWriter.h"

#include "backup/Together.h"
#include "util/Files.h"
#include "util/TemporaryFile.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <vector>

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

/// Writes straight to the temporary file, starting the disk on every few
/// megabytes as they come.
class TemporaryFileSink final : public ByteSink {
  public:
    explicit TemporaryFileSink(util::TemporaryFile& file) : file_(file) {}

    void write(std::string_view bytes) override {
        file_.write(bytes.data(), bytes.size());
        if (file_.unstarted() >= kWritebackStep) {
            file_.startWriteback();
        }
    }

  private:
    static constexpr std::int64_t kWritebackStep = 8 << 20;
    util::TemporaryFile& file_;
};

}  // namespace

void AtomicFileWriter::writeAtomically(const fs::path& file, std::string_view bytes) {
    util::writeFileAtomically(file, bytes);
}

void AtomicFileWriter::streamAtomically(const fs::path& file, const Producer& produce) {
    util::TemporaryFile temporary(file);
    TemporaryFileSink sink(temporary);
    produce(sink);
    temporary.commit();
}

namespace {

/// Flushes every temporary file, several at a time: a disk asked for
/// several flushes at once commits them together, where one after another
/// each waits for its own commit. Each file's failure is kept for it.
void flushTogether(const std::vector<std::unique_ptr<util::TemporaryFile>>& files,
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
        std::vector<std::unique_ptr<util::TemporaryFile>> temporaries;
        temporaries.reserve(end - first);
        for (std::size_t i = first; i < end; ++i) {
            temporaries.push_back(std::make_unique<util::TemporaryFile>(files[i].file));
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
