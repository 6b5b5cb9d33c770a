#include "backup/BackupService.h"

#include "backup/BackupArchive.h"
#include "backup/BackupError.h"
#include "backup/Base64.h"
#include "snippets/SnippetJson.h"
#include "text/Unicode.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>
#include <unordered_set>

#include <fcntl.h>
#include <unistd.h>

namespace halvora::backup {
namespace fs = std::filesystem;

namespace {

using snippets::Snippet;

/// At most `limit` + 1 bytes of `file`: enough to tell that it is over the
/// limit, without trusting the size the file system reports (a device or a
/// pipe reports none and may never end).
std::string readBounded(const fs::path& file, std::uint64_t limit) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        throw std::system_error(errno, std::generic_category(), "cannot open " + file.string());
    }
    std::string content;
    std::array<char, 1 << 16> buffer{};
    while (content.size() <= limit) {
        const std::size_t wanted =
            std::min<std::uint64_t>(buffer.size(), limit + 1 - content.size());
        const ssize_t count = ::read(fd, buffer.data(), wanted);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            ::close(fd);
            throw std::system_error(error, std::generic_category(), "cannot read " + file.string());
        }
        if (count == 0) {
            break;
        }
        content.append(buffer.data(), static_cast<std::size_t>(count));
    }
    ::close(fd);
    return content;
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

bool isImage(const platform::Bytes& bytes, const platform::ImageCodec& codec) {
    return codec.decode(bytes).has_value();
}

std::string_view asText(const platform::Bytes& bytes) {
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

/// The image of one snippet, read from the data folder and checked.
BackupImage readImage(const fs::path& folder, const std::string& name,
                      const platform::ImageCodec& codec) {
    const std::optional<std::string> extension = imageExtension(name);
    if (!extension) {
        throw BackupError::invalidFile(std::string(BackupReason::badImageName));
    }
    const fs::path file = folder / name;
    std::error_code error;
    if (!fs::exists(file, error)) {
        throw BackupError::missingImage(name);
    }
    const std::optional<std::uint64_t> size = regularFileSize(file);
    if (size && *size > BackupService::maxImageBytes) {
        throw BackupError::invalidFile(BackupReason::badImageFile(name));
    }
    platform::Bytes data;
    {
        const std::string bytes = readBounded(file, BackupService::maxImageBytes);
        if (bytes.empty() || bytes.size() > BackupService::maxImageBytes) {
            throw BackupError::invalidFile(BackupReason::badImageFile(name));
        }
        data.assign(bytes.begin(), bytes.end());
    }
    if (!isImage(data, codec)) {
        throw BackupError::invalidFile(BackupReason::badImageFile(name));
    }
    return BackupImage{*extension, std::move(data)};
}

}  // namespace

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
    const std::size_t imageCount = static_cast<std::size_t>(std::ranges::count_if(
        store.snippets(), [](const Snippet& s) { return s.imageFilename.has_value(); }));
    std::size_t done = 0;
    std::uint64_t encodedImages = 0;
    for (const Snippet& snippet : store.snippets()) {
        if (!snippet.imageFilename) {
            continue;
        }
        BackupImage image = readImage(store.folder(), *snippet.imageFilename, ports.codec);
        // The images alone already make the archive too large: stop before
        // reading any more of them into memory.
        encodedImages += Base64::encodedSize(image.data.size());
        if (encodedImages > maxArchiveBytes) {
            throw BackupError::tooLarge();
        }
        backup.images.insert_or_assign(snippet.id, std::move(image));
        ports.report("export", ++done, imageCount);
    }
    backup.version = HalvoraBackup::currentVersion;
    backup.createdAt = HalvoraBackup::now();
    backup.snippets = store.snippets();
    backup.qrProfile = BackupQRProfile::fromDefaults(defaults);

    const std::string encoded = encodeArchive(backup);
    backup.images.clear();
    if (encoded.size() > maxArchiveBytes) {
        throw BackupError::tooLarge();
    }
    ports.files.writeAtomically(destination, encoded);
    std::error_code ignored;
    fs::permissions(destination, fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace, ignored);
}

HalvoraBackup load(const fs::path& file, const BackupPorts& ports) {
    const std::optional<std::uint64_t> size = regularFileSize(file);
    if (size && *size > maxArchiveBytes) {
        throw BackupError::tooLarge();
    }
    std::string bytes = readBounded(file, maxArchiveBytes);
    if (bytes.size() > maxArchiveBytes) {
        throw BackupError::tooLarge();
    }
    HalvoraBackup backup = decodeArchive(std::move(bytes));
    validate(backup, ports.codec);
    return backup;
}

void validate(const HalvoraBackup& backup, const platform::ImageCodec& codec) {
    const auto invalid = [](std::string reason) {
        return BackupError::invalidFile(std::move(reason));
    };
    if (backup.version != HalvoraBackup::currentVersion) {
        throw invalid(std::string(BackupReason::unsupportedVersion));
    }
    if (backup.snippets.size() > maxSnippets) {
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
    std::uint64_t total = 0;
    for (const auto& [id, image] : backup.images) {
        if (!isAllowedExtension(image.fileExtension) || image.data.empty() ||
            image.data.size() > maxImageBytes || !isImage(image.data, codec)) {
            throw invalid(std::string(BackupReason::badArchiveImage));
        }
        total += image.data.size();
        if (total > maxArchiveBytes) {
            throw BackupError::tooLarge();
        }
    }
}

BackupImportResult restore(const HalvoraBackup& backup, snippets::SnippetStore& store,
                           BackupImportMode mode, platform::UserDefaults& defaults,
                           const BackupPorts& ports) {
    validate(backup, ports.codec);
    if (store.folder().empty()) {
        throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory),
                                "no data folder to import into");
    }

    BackupImportResult result;
    result.safetyCopy = store.folder() / (std::string(safetyCopyPrefix) +
                                          util::Uuid::random().text() + ".halvora.json");
    exportArchive(store, result.safetyCopy, defaults, ports);

    const bool merge = mode == BackupImportMode::merge;
    std::vector<Snippet> list = merge ? store.snippets() : std::vector<Snippet>{};
    std::unordered_set<util::Uuid, util::UuidHash> ids;
    std::unordered_set<std::string> codes;
    for (const Snippet& snippet : list) {
        ids.insert(snippet.id);
        if (!snippet.trigger.empty()) {
            codes.insert(comparableCode(snippet.trigger));
        }
    }

    struct PendingImage {
        fs::path file;
        const BackupImage* image;
    };
    std::vector<PendingImage> pending;
    for (const Snippet& archived : backup.snippets) {
        if (merge && ids.contains(archived.id)) {
            ++result.skippedCount;
            continue;
        }
        Snippet copy = archived;
        ids.insert(copy.id);
        if (merge && !copy.trigger.empty()) {
            if (codes.contains(comparableCode(copy.trigger))) {
                copy.trigger = renamedCode(copy.trigger, codes);
                ++result.renamedCodes;
            }
            codes.insert(comparableCode(copy.trigger));
        }
        if (const auto image = backup.images.find(archived.id); image != backup.images.end()) {
            std::string name =
                "import-" + util::Uuid::random().text() + "." + image->second.fileExtension;
            pending.push_back({store.folder() / name, &image->second});
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
        for (const PendingImage& image : pending) {
            ports.files.writeAtomically(image.file, asText(image.image->data));
            written.push_back(image.file);
            ports.report("import", written.size(), pending.size());
        }
        ports.files.writeAtomically(store.file(), encoded);
    } catch (...) {
        removeWritten();
        throw;
    }

    // Saves once more through the store (a failure there is only logged: the
    // file already holds this list).
    store.setSnippets(std::move(list));
    if (mode == BackupImportMode::replace) {
        backup.qrProfile.restore(defaults);
    }
    return result;
}

}  // namespace BackupService
}  // namespace halvora::backup
