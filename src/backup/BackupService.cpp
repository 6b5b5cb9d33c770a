#include "backup/BackupService.h"

#include "backup/BackupArchive.h"
#include "backup/BackupError.h"
#include "backup/Base64.h"
#include "backup/Together.h"
#include "snippets/ImageType.h"
#include "snippets/SnippetJson.h"
#include "text/Unicode.h"
#include "util/Errors.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <span>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace halvora::backup {
namespace fs = std::filesystem;

namespace {

using snippets::Snippet;
using util::throwErrno;

/// Closes a descriptor when the scope ends.
class Descriptor {
  public:
    // Never waits for the writer of a pipe put in a file's place.
    explicit Descriptor(const fs::path& file)
        : fd_(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY)) {
        if (fd_ < 0) {
            throwErrno(errno, "cannot open " + file.string());
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { ::close(fd_); }
    int get() const { return fd_; }

    /// The size of a regular file, or nothing (a device or a pipe reports
    /// none that says anything about what a read gives).
    std::optional<std::uint64_t> regularSize() const {
        struct stat info {};
        if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
            return std::nullopt;
        }
        return static_cast<std::uint64_t>(info.st_size);
    }

    /// Reads into `out` until it is full or the file ends; the number of
    /// bytes read.
    std::size_t readInto(char* out, std::size_t size, const fs::path& file) const {
        std::size_t total = 0;
        while (total < size) {
            const ssize_t count = ::read(fd_, out + total, size - total);
            if (count < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throwErrno(errno, "cannot read " + file.string());
            }
            if (count == 0) {
                break;
            }
            total += static_cast<std::size_t>(count);
        }
        return total;
    }

  private:
    int fd_;
};

/// Reads the first bytes of a file into `content` (whose memory is reused),
/// at most `limit` + 1 of them: enough to tell that it is over the limit,
/// without trusting the size the file system reports (a device or a pipe
/// reports none and may never end).
void readBounded(const fs::path& file, std::uint64_t limit, platform::Bytes& content) {
    const Descriptor fd(file);
    const std::optional<std::uint64_t> size = fd.regularSize();
    // One byte more than expected shows a file that grew meanwhile.
    content.resize(static_cast<std::size_t>(size ? std::min(*size, limit) + 1
                                                 : std::min<std::uint64_t>(limit + 1, 1 << 16)));
    std::size_t total = 0;
    for (;;) {
        const std::size_t count = fd.readInto(reinterpret_cast<char*>(content.data()) + total,
                                              content.size() - total, file);
        total += count;
        if (total < content.size() || total > limit) {
            break;  // the end of the file, or enough to refuse it
        }
        content.resize(static_cast<std::size_t>(
            std::min<std::uint64_t>(limit + 1, std::uint64_t{content.size()} * 2)));
    }
    content.resize(total);
}

/// Memory for an archive's text, taken from the system directly rather than
/// from the heap: it goes back as soon as the archive is decoded, and where
/// the system has huge pages it asks for them, so that filling 200 MB costs
/// a hundred page faults rather than fifty thousand (which dominated reading
/// on the development machine).
class ArchiveBuffer {
  public:
    explicit ArchiveBuffer(std::size_t size) : size_(size) {
        mappedSize_ = size + kHugePage;
        void* mapped = ::mmap(nullptr, mappedSize_, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED) {
            throw std::bad_alloc();
        }
        mapped_ = static_cast<char*>(mapped);
        // Huge pages need aligned addresses.
        const auto address = reinterpret_cast<std::uintptr_t>(mapped_);
        data_ = mapped_ + ((kHugePage - address % kHugePage) % kHugePage);
#if defined(MADV_HUGEPAGE)
        if (size >= kHugePage) {
            ::madvise(data_, size - size % kHugePage, MADV_HUGEPAGE);  // only a wish
        }
#endif
    }
    ArchiveBuffer(const ArchiveBuffer&) = delete;
    ArchiveBuffer& operator=(const ArchiveBuffer&) = delete;
    ArchiveBuffer(ArchiveBuffer&& other) noexcept
        : mapped_(std::exchange(other.mapped_, nullptr)),
          data_(other.data_),
          mappedSize_(other.mappedSize_),
          size_(other.size_) {}
    ArchiveBuffer& operator=(ArchiveBuffer&& other) noexcept {
        std::swap(mapped_, other.mapped_);
        std::swap(data_, other.data_);
        std::swap(mappedSize_, other.mappedSize_);
        std::swap(size_, other.size_);
        return *this;
    }
    ~ArchiveBuffer() {
        if (mapped_ != nullptr) {
            ::munmap(mapped_, mappedSize_);
        }
    }

    char* data() {
        return data_;
    }
    std::size_t size() const {
        return size_;
    }
    std::span<char> span() {
        return {data_, size_};
    }

  private:
    static constexpr std::size_t kHugePage = 2 << 20;
    char* mapped_ = nullptr;
    char* data_ = nullptr;
    std::size_t mappedSize_ = 0;
    std::size_t size_ = 0;
};

/// An archive file's text, with the padding the parser needs after it.
struct ArchiveText {
    std::shared_ptr<ArchiveBuffer> buffer;
    std::size_t size;
};

/// Reads at most `limit` + 1 bytes of an archive file, as readBounded.
ArchiveText readArchive(const fs::path& file, std::uint64_t limit) {
    const Descriptor fd(file);
    const std::optional<std::uint64_t> size = fd.regularSize();
    const std::size_t padding = archivePadding();
    std::size_t wanted = static_cast<std::size_t>(
        size ? std::min(*size, limit) + 1 : std::min<std::uint64_t>(limit + 1, 1 << 20));
    ArchiveBuffer buffer(wanted + padding);
    std::size_t total = 0;
    for (;;) {
        total += fd.readInto(buffer.data() + total, wanted - total, file);
        if (total < wanted || total > limit) {
            break;
        }
        wanted =
            static_cast<std::size_t>(std::min<std::uint64_t>(limit + 1, std::uint64_t{wanted} * 2));
        ArchiveBuffer larger(wanted + padding);
        std::memcpy(larger.data(), buffer.data(), total);
        buffer = std::move(larger);
    }
    return ArchiveText{std::make_shared<ArchiveBuffer>(std::move(buffer)), total};
}

/// The size of a regular file; nothing for anything else (whose size says
/// nothing about what a read gives). Throws when the file cannot be examined.
std::optional<std::uint64_t> regularFileSize(const fs::path& file) {
    const fs::file_status status = fs::status(file);  // throws, e.g. for a missing file
    if (!fs::exists(status)) {
        throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory),
                                "cannot open " + file.string());
    }
    if (!fs::is_regular_file(status)) {
        return std::nullopt;
    }
    return fs::file_size(file);
}

/// One spelling for paths that name the same file (".", "..", symbolic
/// links of existing folders).
fs::path comparablePath(const fs::path& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error) {
        return path.lexically_normal();
    }
    fs::path canonical = fs::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : canonical;
}

std::string asciiLowercased(std::string_view text) {
    std::string out(text);
    std::ranges::transform(out, out.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return out;
}

bool isAllowedExtension(std::string_view extension) {
    return std::ranges::find(snippets::SnippetStore::allowedImageExtensions, extension) !=
           snippets::SnippetStore::allowedImageExtensions.end();
}

std::string_view asText(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

/// The lower-cased extension of a plain image file name, or nothing when the
/// name is not a plain file name with an allowed extension.
std::optional<std::string> imageExtension(const std::string& name) {
    if (!snippets::isPlainFileName(name)) {
        return std::nullopt;
    }
    std::string extension = fs::path(name).extension().string();
    if (extension.empty()) {
        return std::nullopt;
    }
    extension = asciiLowercased(std::string_view(extension).substr(1));
    if (!isAllowedExtension(extension)) {
        return std::nullopt;
    }
    return extension;
}

/// Reads the image of one snippet from the data folder into `data` and
/// checks it; its lower-cased extension.
std::string readImage(const fs::path& folder, const std::string& name, const ImageCheck& images,
                      platform::Bytes& data) {
    std::optional<std::string> extension = imageExtension(name);
    if (!extension) {
        throw BackupError::invalidFile(std::string(BackupReason::badImageName));
    }
    const fs::path file = folder / name;
    std::error_code error;
    if (!fs::exists(file, error)) {
        throw BackupError::missingImage(name);
    }
    // Only a regular file is read: a device or a pipe in an image's place
    // could give bytes for ever, or none.
    const std::optional<std::uint64_t> size = regularFileSize(file);
    if (!size || *size > BackupService::maxImageBytes) {
        throw BackupError::invalidFile(BackupReason::badImageFile(name));
    }
    readBounded(file, BackupService::maxImageBytes, data);
    // An archive accepts only images of their declared type; one written
    // here must be read back.
    if (data.empty() || data.size() > BackupService::maxImageBytes ||
        !snippets::contentMatchesType(*extension, data) || !images.isImage(data)) {
        throw BackupError::invalidFile(BackupReason::badImageFile(name));
    }
    return std::move(*extension);
}

/// Prepares a sequence of images (reads and checks them) on a thread of its
/// own, in order, a few megabytes (or a few hundred small images) ahead of
/// the one taken: handing each image over on its own cost more than reading
/// it when there are thousands of small ones. A failure is handed over in
/// its place, and nothing after it is prepared. Without a thread to be had,
/// take prepares the image itself.
class ImagesAhead {
  public:
    struct Prepared {
        std::string extension;
        platform::Bytes data;
    };
    /// Reads image k into `data` (whose memory may be reused) and returns
    /// its extension; throws when it cannot be backed up.
    using Prepare = std::function<std::string(std::size_t k, platform::Bytes& data)>;

    ImagesAhead(std::size_t count, Prepare prepare) : count_(count), prepare_(std::move(prepare)) {
        if (count_ > 0) {
            try {
                worker_ = std::thread([this] { run(); });
            } catch (const std::system_error&) {
                // take() prepares each image itself.
            }
        }
    }
    ImagesAhead(const ImagesAhead&) = delete;
    ImagesAhead& operator=(const ImagesAhead&) = delete;
    ~ImagesAhead() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        if (worker_.joinable()) {
            worker_.join();
        }
    }

    /// The next image; rethrows what went wrong with it.
    Prepared take() {
        if (!worker_.joinable()) {
            Prepared image{{}, spareBuffer()};
            image.extension = prepare_(taken_++, image.data);
            return image;
        }
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !ready_.empty(); });
        Item item = std::move(ready_.front());
        ready_.pop_front();
        readyBytes_ -= item.image.data.size();
        ++taken_;
        const bool roomAgain =
            ready_.size() == kAheadCount / 2 || ready_.empty() || readyBytes_ < kAheadBytes / 2;
        lock.unlock();
        if (roomAgain) {
            changed_.notify_all();
        }
        if (item.failure) {
            std::rethrow_exception(item.failure);
        }
        return std::move(item.image);
    }

    /// Hands a taken image's buffer back for a later one.
    void recycle(platform::Bytes buffer) {
        const std::lock_guard lock(mutex_);
        spares_.push_back(std::move(buffer));
    }

  private:
    struct Item {
        Prepared image;
        std::exception_ptr failure;
    };

    platform::Bytes spareBuffer() {
        const std::lock_guard lock(mutex_);
        if (spares_.empty()) {
            return {};
        }
        platform::Bytes buffer = std::move(spares_.back());
        spares_.pop_back();
        return buffer;
    }

    void run() {
        for (std::size_t k = 0; k < count_; ++k) {
            {
                // Once far enough ahead, wait until the taker has caught up
                // half of the way.
                std::unique_lock lock(mutex_);
                if (ready_.size() >= kAheadCount || readyBytes_ >= kAheadBytes) {
                    changed_.wait(lock, [this] {
                        return stopping_ ||
                               (ready_.size() <= kAheadCount / 2 && readyBytes_ < kAheadBytes / 2);
                    });
                }
                if (stopping_) {
                    return;
                }
            }
            Item item{{{}, spareBuffer()}, nullptr};
            try {
                item.image.extension = prepare_(k, item.image.data);
            } catch (...) {
                item.failure = std::current_exception();
            }
            const bool failed = item.failure != nullptr;
            bool wasEmpty = false;
            {
                const std::lock_guard lock(mutex_);
                readyBytes_ += item.image.data.size();
                wasEmpty = ready_.empty();
                ready_.push_back(std::move(item));
            }
            if (wasEmpty) {
                changed_.notify_all();  // the taker may be waiting
            }
            if (failed) {
                return;
            }
        }
    }

    static constexpr std::size_t kAheadCount = 256;
    static constexpr std::size_t kAheadBytes = 16 << 20;

    const std::size_t count_;
    const Prepare prepare_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Item> ready_;
    std::size_t readyBytes_ = 0;
    std::vector<platform::Bytes> spares_;
    std::size_t taken_ = 0;
    bool stopping_ = false;
    std::thread worker_;  // last: it starts once everything else is there
};

/// The checks of BackupService::validate, in their order; `images` decodes
/// each image, or is null for an archive whose images were decoded when it
/// was checked.
void validateArchive(const HalvoraBackup& backup, const ImageCheck* images) {
    const auto invalid = [](std::string reason) {
        return BackupError::invalidFile(std::move(reason));
    };
    if (backup.version != HalvoraBackup::currentVersion) {
        throw invalid(std::string(BackupReason::unsupportedVersion));
    }
    if (backup.snippets.size() > BackupService::maxSnippets) {
        throw invalid(std::string(BackupReason::tooManySnippets));
    }
    std::unordered_set<util::Uuid, util::UuidHash> ids;
    ids.reserve(backup.snippets.size());
    for (const Snippet& snippet : backup.snippets) {
        if (!ids.insert(snippet.id).second) {
            throw invalid(std::string(BackupReason::duplicateId));
        }
    }
    for (const auto& [id, image] : backup.images) {
        if (!ids.contains(id)) {
            throw invalid(std::string(BackupReason::orphanImage));
        }
    }
    for (const Snippet& snippet : backup.snippets) {
        const bool hasImage = backup.images.contains(snippet.id);
        if (snippet.imageFilename && !hasImage) {
            throw invalid(BackupReason::missingImageOf(snippet.title));
        }
        if (!snippet.imageFilename && hasImage) {
            throw invalid(std::string(BackupReason::unexpectedImage));
        }
    }
    // The content must be of the declared type: a decoder reads whatever
    // it recognises, an SVG document named "png" included.
    const auto plausible = [](const BackupImage& image) {
        return isAllowedExtension(image.fileExtension) && !image.data.empty() &&
               image.data.size() <= BackupService::maxImageBytes &&
               snippets::contentMatchesType(image.fileExtension, image.data);
    };
    // The images are decoded on every processor at once (they took as long
    // as all the rest of a load), then judged in map order as one after
    // another would be: the same first failure wins. Only those that this
    // order reaches are decoded: up to the first one refused without
    // decoding, or the one that goes past the size limit.
    std::vector<const BackupImage*> ordered;
    ordered.reserve(backup.images.size());
    std::size_t reached = 0;
    std::uint64_t total = 0;
    for (const auto& [id, image] : backup.images) {
        ordered.push_back(&image);
        if (reached == ordered.size() - 1 && plausible(image)) {
            ++reached;
            total += image.data.size();
            if (total > BackupService::maxArchiveBytes) {
                break;
            }
        }
    }
    std::vector<char> decodes(reached, 1);
    std::vector<std::exception_ptr> failures(reached);
    if (images != nullptr && reached > 0) {
        images->prepare();
        runTogether(reached, processorCount(), [&](std::size_t i) {
            try {
                decodes[i] = images->isImage(ordered[i]->data) ? 1 : 0;
            } catch (...) {
                failures[i] = std::current_exception();
            }
        });
    }
    total = 0;
    for (std::size_t i = 0; i < ordered.size(); ++i) {
        if (i < reached && failures[i]) {
            std::rethrow_exception(failures[i]);
        }
        if (!plausible(*ordered[i]) || (i < reached && !decodes[i])) {
            throw invalid(std::string(BackupReason::badArchiveImage));
        }
        total += ordered[i]->data.size();
        if (total > BackupService::maxArchiveBytes) {
            throw BackupError::tooLarge();
        }
    }
}

void validateArchive(const HalvoraBackup& backup, const ImageCheck& images) {
    validateArchive(backup, &images);
}

/// The import proper, of an archive that passed every check.
BackupImportResult restoreValidated(const HalvoraBackup& backup, snippets::SnippetStore& store,
                                    BackupImportMode mode, platform::UserDefaults& defaults,
                                    const BackupPorts& ports) {
    if (store.folder().empty()) {
        throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory),
                                "no data folder to import into");
    }

    BackupImportResult result;
    result.safetyCopy = store.folder() / (std::string(BackupService::safetyCopyPrefix) +
                                          util::Uuid::random().text() + ".halvora.json");
    BackupService::exportArchive(store, result.safetyCopy, defaults, ports);

    const bool merge = mode == BackupImportMode::merge;
    std::vector<Snippet> list = merge ? store.snippets() : std::vector<Snippet>{};
    std::unordered_set<util::Uuid, util::UuidHash> ids;
    std::unordered_set<std::string> codes;
    for (const Snippet& snippet : list) {
        ids.insert(snippet.id);
        if (!snippet.trigger.empty()) {
            codes.insert(BackupService::comparableCode(snippet.trigger));
        }
    }

    // The images are written from the archive's own bytes, byte for byte.
    std::vector<FileContent> pending;
    for (const Snippet& archived : backup.snippets) {
        if (merge && ids.contains(archived.id)) {
            ++result.skippedCount;
            continue;
        }
        Snippet copy = archived;
        ids.insert(copy.id);
        if (merge && !copy.trigger.empty()) {
            if (codes.contains(BackupService::comparableCode(copy.trigger))) {
                copy.trigger = BackupService::renamedCode(copy.trigger, codes);
                ++result.renamedCodes;
            }
            codes.insert(BackupService::comparableCode(copy.trigger));
        }
        if (const auto image = backup.images.find(archived.id); image != backup.images.end()) {
            std::string name =
                "import-" + util::Uuid::random().text() + "." + image->second.fileExtension;
            pending.push_back({store.folder() / name, asText(image->second.data)});
            copy.imageFilename = std::move(name);
        }
        list.push_back(std::move(copy));
        ++result.importedCount;
    }

    const std::string encoded = snippets::encodeSnippetsFile(list);

    std::vector<fs::path> written;
    written.reserve(pending.size());
    const auto removeWritten = [&] {
        for (const fs::path& file : written) {
            ports.files.remove(file);
        }
    };
    try {
        ports.files.writeAllAtomically(pending, [&](std::size_t index) {
            written.push_back(pending[index].file);
            ports.report("import", written.size(), pending.size());
        });
    } catch (...) {
        removeWritten();
        throw;
    }

    // The account goes before the snippets file: it is the write more likely
    // to fail (another folder, a settings file that is not a file), and one
    // that fails must leave the snippets as they were. A snippets file that
    // then fails puts the account back.
    std::vector<platform::DefaultsChange> previousProfile;
    if (mode == BackupImportMode::replace) {
        previousProfile = BackupQRProfile::stored(defaults);
        try {
            backup.qrProfile.restore(defaults);
        } catch (const platform::DefaultsSaveError& error) {
            removeWritten();
            throw BackupError::profileNotSaved(error.what());
        }
    }
    try {
        ports.files.writeAtomically(store.file(), encoded);
    } catch (...) {
        removeWritten();
        if (!previousProfile.empty()) {
            try {
                defaults.apply(previousProfile);
            } catch (const platform::DefaultsSaveError&) {
                // The first failure is the one to report; the defaults log this one.
            }
        }
        throw;
    }

    // Saves once more through the store (a failure there is only logged: the
    // file already holds this list).
    store.setSnippets(std::move(list));
    store.removeLeftovers();
    return result;
}

}  // namespace

/// Makes the checked archives; only this file uses it.
struct CheckedBackupFactory {
    static CheckedBackup make(HalvoraBackup backup) { return CheckedBackup(std::move(backup)); }
};

namespace BackupService {

std::string comparableCode(std::string_view trigger) {
    std::string code = trigger.starts_with(';') ? std::string(trigger) : ";" + std::string(trigger);
    return text::lowercased(code);
}

std::string renamedCode(std::string_view trigger,
                        const std::unordered_set<std::string>& takenCodes) {
    if (trigger.starts_with(';')) {
        trigger.remove_prefix(1);
    }
    std::string stem;
    for (const char c : trigger) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '_') {
            stem.push_back(c);
        }
    }
    if (stem.empty()) {
        stem = "nhap";
    }
    // Ends: each candidate that is taken is one of finitely many codes.
    for (std::size_t n = 2;; ++n) {
        std::string candidate = ";" + stem + "_" + std::to_string(n);
        if (!takenCodes.contains(asciiLowercased(candidate))) {
            return candidate;
        }
    }
}

void exportArchive(snippets::SnippetStore& store, const fs::path& destination,
                   const platform::UserDefaults& defaults, const BackupPorts& ports) {
    const fs::path target = comparablePath(destination);
    const auto refuseTarget = [&target](const fs::path& inUse) {
        if (target == comparablePath(inUse)) {
            throw BackupError::invalidFile(std::string(BackupReason::overwritesData));
        }
    };
    refuseTarget(store.file());
    for (const Snippet& snippet : store.snippets()) {
        if (snippet.imageFilename) {
            refuseTarget(store.folder() / *snippet.imageFilename);
        }
    }

    store.saveNow();

    HalvoraBackup backup;
    backup.version = HalvoraBackup::currentVersion;
    backup.createdAt = HalvoraBackup::now();
    backup.snippets = store.snippets();
    backup.qrProfile = BackupQRProfile::fromDefaults(defaults);
    // The images are not kept in the archive object: each is read (into
    // one reused buffer), checked and written in turn, store order, so the
    // export holds one image at a time. As a map keyed by id would, a later
    // snippet's image replaces an earlier one's under the same id (all are
    // still read and checked).
    const ArchiveEncoder encoder(backup);
    std::unordered_map<util::Uuid, std::size_t, util::UuidHash> lastWithImage;
    std::vector<std::size_t> pictured;  // the snippets with an image, in order
    for (std::size_t i = 0; i < backup.snippets.size(); ++i) {
        if (backup.snippets[i].imageFilename) {
            lastWithImage[backup.snippets[i].id] = i;
            pictured.push_back(i);
        }
    }

    // Reading and checking the next image (on a thread of its own, when one
    // is to be had) overlaps encoding and writing the current one; its
    // failure surfaces only when its turn comes, so the order of the checks
    // stays. A few buffers take turns, whatever the number of images.
    if (!pictured.empty()) {
        ports.images().prepare();
    }
    ImagesAhead ahead(pictured.size(), [&](std::size_t k, platform::Bytes& data) {
        const Snippet& snippet = backup.snippets[pictured[k]];
        return readImage(store.folder(), *snippet.imageFilename, ports.images(), data);
    });

    // Written to a temporary file that becomes the destination only when
    // everything succeeded: a failure (a bad image, a full disk) leaves no
    // trace. The checks keep their order: every image, then the size.
    ports.files.streamAtomically(destination, [&](ByteSink& sink) {
        sink.write(encoder.head());
        std::uint64_t size = encoder.head().size() + encoder.tail().size();
        std::uint64_t encodedImages = 0;
        bool first = true;
        for (std::size_t k = 0; k < pictured.size(); ++k) {
            ImagesAhead::Prepared image = ahead.take();
            const std::size_t i = pictured[k];
            const Snippet& snippet = backup.snippets[i];
            // The images alone already make the archive too large: stop
            // before reading any more of them.
            encodedImages += Base64::encodedSize(image.data.size());
            if (encodedImages > maxArchiveBytes) {
                throw BackupError::tooLarge();
            }
            if (lastWithImage.at(snippet.id) == i) {
                size += ArchiveEncoder::imageEntrySize(snippet.id, image.extension,
                                                       image.data.size(), first);
                // Past the limit the rest is only checked, and refused below.
                if (size <= maxArchiveBytes) {
                    ArchiveEncoder::writeImageEntry(sink, snippet.id, image.extension, image.data,
                                                    first);
                }
                first = false;
            }
            ahead.recycle(std::move(image.data));
            ports.report("export", k + 1, pictured.size());
        }
        if (size > maxArchiveBytes) {
            throw BackupError::tooLarge();
        }
        sink.write(encoder.tail());
    });
    std::error_code ignored;
    fs::permissions(destination, fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace, ignored);
}

CheckedBackup load(const fs::path& file, const BackupPorts& ports) {
    const std::optional<std::uint64_t> size = regularFileSize(file);
    if (!size) {
        throw BackupError::invalidFile(std::string(BackupReason::notAFile));
    }
    if (*size > maxArchiveBytes) {
        throw BackupError::tooLarge();
    }
    ArchiveText text = readArchive(file, maxArchiveBytes);
    if (text.size > maxArchiveBytes) {
        throw BackupError::tooLarge();
    }
    // The images are decoded where their text was, and keep the buffer.
    const std::span<char> buffer = text.buffer->span();
    HalvoraBackup backup = decodeArchiveInPlace(buffer, text.size, std::move(text.buffer));
    return check(std::move(backup), ports.images());
}

CheckedBackup check(HalvoraBackup backup, const ImageCheck& images) {
    validate(backup, images);
    return CheckedBackupFactory::make(std::move(backup));
}

void validate(const HalvoraBackup& backup, const ImageCheck& images) {
    validateArchive(backup, &images);
}

void validate(const HalvoraBackup& backup, const platform::ImageCodec& codec) {
    validateArchive(backup, CodecImageCheck(codec));
}

BackupImportResult restore(const CheckedBackup& backup, snippets::SnippetStore& store,
                           BackupImportMode mode, platform::UserDefaults& defaults,
                           const BackupPorts& ports) {
    // Its images were decoded when it was checked, and it cannot have
    // changed since.
    validateArchive(backup.archive(), nullptr);
    return restoreValidated(backup.archive(), store, mode, defaults, ports);
}

BackupImportResult restore(const HalvoraBackup& backup, snippets::SnippetStore& store,
                           BackupImportMode mode, platform::UserDefaults& defaults,
                           const BackupPorts& ports) {
    validate(backup, ports.images());
    return restoreValidated(backup, store, mode, defaults, ports);
}

}  // namespace BackupService
}  // namespace halvora::backup
