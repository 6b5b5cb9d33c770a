#include "snippets/SnippetStore.h"

#include "platform/XdgDirectories.h"
#include "snippets/ImageType.h"
#include "snippets/SnippetJson.h"
#include "text/Unicode.h"
#include "util/Files.h"
#include "util/TemporaryFile.h"

#include <algorithm>
#include <system_error>
#include <unordered_set>

namespace halvora::snippets {
namespace fs = std::filesystem;

namespace {

bool isAllowedImageExtension(std::string_view extension) {
    return std::ranges::find(SnippetStore::allowedImageExtensions, extension) !=
           SnippetStore::allowedImageExtensions.end();
}

/// "<UUID>.<type>" with the id in its canonical upper-case form; `prefix`
/// before it ("import-" or nothing).
bool isIdImageName(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix)) {
        return false;
    }
    name.remove_prefix(prefix.size());
    const auto dot = name.find('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    const std::optional<util::Uuid> id = util::Uuid::parse(name.substr(0, dot));
    return id && id->text() == name.substr(0, dot) && isAllowedImageExtension(name.substr(dot + 1));
}

/// The names this program gives the files it writes in the data folder.
bool isOwnDataFileName(std::string_view name) {
    constexpr std::string_view safetyPrefix = "truoc-khi-nhap-";
    constexpr std::string_view safetySuffix = ".halvora.json";
    if (name == "snippets.json" || isIdImageName(name, "") || isIdImageName(name, "import-")) {
        return true;
    }
    if (name.starts_with(safetyPrefix) && name.ends_with(safetySuffix)) {
        const std::string_view id = name.substr(
            safetyPrefix.size(), name.size() - safetyPrefix.size() - safetySuffix.size());
        const std::optional<util::Uuid> parsed = util::Uuid::parse(id);
        return parsed && parsed->text() == id;
    }
    return false;
}

}  // namespace

SnippetStore::SnippetStore(std::optional<fs::path> folder, platform::Log& log) : log_(log) {
    if (!folder) {
        folder = defaultFolder();
    }
    if (!folder) {
        log_.message(
            "Halvora snippets: no data folder (no home folder known); snippets are not saved");
        return;
    }
    folder_ = std::move(*folder);
    file_ = folder_ / "snippets.json";
    std::error_code ignored;  // a failure shows up as a failed read and failed saves
    fs::create_directories(folder_, ignored);
    load();
    removeLeftovers();
}

std::optional<fs::path> SnippetStore::defaultFolder() {
    const std::optional<fs::path> base = platform::xdgDataHome();
    if (!base) {
        return std::nullopt;
    }
    return *base / platform::kProductFolderName;
}

void SnippetStore::load() {
    std::string bytes;
    try {
        bytes = util::readFile(file_, maxFileBytes);
    } catch (const std::system_error& error) {
        if (error.code() != std::errc::no_such_file_or_directory) {
            keepUnreadableFile_ = true;
            fileWasUnreadable_ = true;
            log_.message("Halvora snippets file cannot be read, left unchanged: " +
                         std::string(error.what()));
        }
        return;
    }
    try {
        snippets_ = decodeSnippetsFile(bytes);
        reindex();
    } catch (const SnippetDecodingError& error) {
        keepUnreadableFile_ = true;
        fileWasUnreadable_ = true;
        log_.message("Halvora snippets file cannot be decoded, left unchanged: " +
                     std::string(error.what()));
        return;
    }
    try {
        saveNow();  // writes the file back in its canonical form
    } catch (const std::exception& error) {
        log_.message("Halvora snippets save failed: " + std::string(error.what()));
    }
}

void SnippetStore::saveNow() {
    if (file_.empty()) {
        throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory),
                                "no data folder for the snippets file");
    }
    const std::string bytes = encodeSnippetsFile(snippets_);
    if (keepUnreadableFile_) {
        // The file on disk is the user's only copy of whatever it held.
        try {
            const fs::path copy = util::copyAside(file_, "unreadable");
            log_.message("Halvora snippets file that could not be read was kept as " +
                         copy.string());
        } catch (const std::system_error& error) {
            if (error.code() != std::errc::no_such_file_or_directory) {
                throw;  // rather no save than losing the old file
            }
        }
        keepUnreadableFile_ = false;
    }
    util::writeFileAtomically(file_, bytes);
}

void SnippetStore::reindex() {
    codeIndex_.clear();
    codeIndex_.reserve(snippets_.size());
    for (std::size_t i = 0; i < snippets_.size(); ++i) {
        const Snippet& snippet = snippets_[i];
        if (snippet.trigger.empty()) {
            continue;  // no code at all, not the bare ";"
        }
        ++codeIndex_.try_emplace(snippet.normalizedCode(), CodeEntry{i, 0}).first->second.count;
    }
}

void SnippetStore::changed() {
    reindex();
    try {
        saveNow();
    } catch (const std::exception& error) {
        log_.message("Halvora snippets save failed: " + std::string(error.what()));
    }
    changed_.emit();
}

void SnippetStore::setSnippets(std::vector<Snippet> snippets) {
    snippets_ = std::move(snippets);
    changed();
}

void SnippetStore::append(Snippet snippet) {
    snippets_.push_back(std::move(snippet));
    changed();
}

bool SnippetStore::update(const util::Uuid& id, const std::function<void(Snippet&)>& edit) {
    const auto it = std::ranges::find(snippets_, id, &Snippet::id);
    if (it == snippets_.end()) {
        return false;
    }
    edit(*it);
    changed();
    return true;
}

bool SnippetStore::remove(const util::Uuid& id) {
    if (std::erase_if(snippets_, [&id](const Snippet& s) { return s.id == id; }) == 0) {
        return false;
    }
    changed();
    return true;
}

const Snippet* SnippetStore::find(const util::Uuid& id) const {
    const auto it = std::ranges::find(snippets_, id, &Snippet::id);
    return it == snippets_.end() ? nullptr : &*it;
}

util::Connection SnippetStore::observe(std::function<void()> onChange) {
    return changed_.connect([onChange = std::move(onChange)] { onChange(); });
}

std::optional<Snippet> SnippetStore::matchingTrigger(std::string_view code) const {
    const auto it = codeIndex_.find(code);
    if (it == codeIndex_.end() || it->second.count != 1) {
        return std::nullopt;  // an ambiguous code expands to nothing
    }
    const Snippet& match = snippets_[it->second.index];
    if (!match.hasContent()) {
        return std::nullopt;
    }
    return match;
}

std::optional<Snippet> SnippetStore::matchingHotkey(std::int64_t slot) const {
    for (const Snippet& snippet : snippets_) {
        if (snippet.hotkeySlot == slot && snippet.hasContent()) {
            return snippet;
        }
    }
    return std::nullopt;
}

bool SnippetStore::triggerConflict(const Snippet& snippet) const {
    if (snippet.trigger.empty()) {
        return false;
    }
    const std::string code = snippet.normalizedCode();
    return std::ranges::any_of(snippets_, [&](const Snippet& other) {
        return other.id != snippet.id && other.hasNormalizedCode(code);
    });
}

std::string SnippetStore::nextQuickReplyTrigger() const {
    return nextFreeNumberedCode(snippets_, ";tl");
}

void SnippetStore::importImage(const fs::path& source, const util::Uuid& id) {
    if (find(id) == nullptr) {
        return;
    }
    std::string extension = source.extension().string();
    if (!extension.empty()) {
        extension.erase(0, 1);  // the dot
    }
    extension = text::lowercased(extension);
    if (!isAllowedImageExtension(extension)) {
        return;
    }
    const std::string name = id.text() + "." + extension;
    if (folder_.empty()) {
        throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory),
                                "no data folder for the image");
    }
    // Read whole (a regular file of at most maxImageBytes), so that what is
    // checked is what is written. The content must be what the name says:
    // the image is pasted, backed up and restored by that name.
    const std::string content = util::readFile(source, maxImageBytes);
    if (!contentMatchesType(
            extension,
            std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size()))) {
        throw ImageTypeMismatch(imageTypeMismatchMessage(extension));
    }
    // Replaces an earlier image of the same name in one step; an image of the
    // same snippet with another extension stays.
    util::writeFileAtomically(folder_ / name, content);
    update(id, [&name](Snippet& snippet) { snippet.imageFilename = name; });
}

std::size_t SnippetStore::removeLeftovers(std::chrono::seconds minimumAge) {
    if (folder_.empty()) {
        return 0;
    }
    std::unordered_set<std::string, CodeHash, std::equal_to<>> referenced;
    for (const Snippet& snippet : snippets_) {
        if (snippet.imageFilename) {
            referenced.insert(*snippet.imageFilename);
        }
    }
    std::vector<fs::path> removable = util::filesIn(
        folder_,
        [](std::string_view name) {
            const std::optional<std::string_view> target = util::temporaryFileTarget(name);
            return target && isOwnDataFileName(*target);
        },
        minimumAge);
    const std::vector<fs::path> images = util::filesIn(
        folder_,
        [&](std::string_view name) {
            return isIdImageName(name, "import-") && !referenced.contains(name);
        },
        minimumAge);
    std::vector<std::string> keptAside;  // unreadable snippets files, as text
    for (const fs::path& file : util::filesIn(folder_, [](std::string_view name) {
             return name.starts_with("snippets.unreadable-");
         })) {
        try {
            keptAside.push_back(util::readFile(file, maxFileBytes));
        } catch (const std::system_error&) {
            fileWasUnreadable_ = true;  // cannot tell what it names: keep every image
        }
    }
    // Without a snippets file that was read, nothing tells which images are in use.
    std::error_code missing;
    if (!fileWasUnreadable_ && fs::is_regular_file(file_, missing)) {
        for (const fs::path& image : images) {
            const std::string name = image.filename().string();
            if (std::ranges::none_of(keptAside, [&](const std::string& text) {
                    return text.find(name) != std::string::npos;
                })) {
                removable.push_back(image);
            }
        }
    }
    return util::removeLeftovers(removable,
                                 [this](const std::string& message) { log_.message(message); });
}

std::optional<fs::path> SnippetStore::imagePath(const Snippet& snippet) const {
    const std::optional<std::string_view> name = snippet.safeImageFilename();
    if (!name || folder_.empty()) {
        return std::nullopt;
    }
    return folder_ / *name;
}

bool SnippetStore::enableLegacyVCBQIfConfigured(const qr::DynamicQRProfile& profile) {
    if (!profile.isConfigured()) {
        return false;
    }
    const auto it = std::ranges::find_if(snippets_, [](const Snippet& snippet) {
        return !snippet.dynamicQR.has_value() &&
               text::lowercased(trimSemicolons(snippet.trigger)) == "vcbq";
    });
    if (it == snippets_.end()) {
        return false;
    }
    it->dynamicQR = true;
    changed();
    return true;
}

}  // namespace halvora::snippets
