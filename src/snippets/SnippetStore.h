#pragma once

#include "platform/Log.h"
#include "qr/DynamicQRProfile.h"
#include "snippets/Snippet.h"
#include "util/Signal.h"
#include "util/TemporaryFile.h"
#include "util/Uuid.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace halvora::snippets {

/// The ordered list of snippets and the data folder that keeps it
/// ("snippets.json") together with the snippet images. Every change of the
/// list is saved at once (a failed save is logged and otherwise ignored: the
/// list in memory stays authoritative and the next save catches up) and then
/// announced to the observers. Main thread only.
class SnippetStore {
  public:
    /// The image types a snippet may carry, as lower-case file extensions.
    static constexpr std::array<std::string_view, 5> allowedImageExtensions{"png", "jpg", "jpeg",
                                                                            "heic", "tiff"};
    /// The largest snippets file read: an archive, which holds the whole
    /// list and its images, is refused above this size too.
    static constexpr std::uint64_t maxFileBytes = 200'000'000;
    /// The largest image read (imported, pasted or backed up).
    static constexpr std::uint64_t maxImageBytes = 25'000'000;

    /// Opens the store on `folder`, or on the default data folder when none
    /// is given, creating the folder if needed. A readable, decodable
    /// snippets file is loaded and written back in its canonical form; a
    /// missing one gives an empty list. A file that cannot be decoded is left
    /// as it is and the list starts empty; before the first save replaces it,
    /// a copy is kept beside it ("snippets.unreadable-<time>.json").
    SnippetStore(std::optional<std::filesystem::path> folder, platform::Log& log);
    SnippetStore(const SnippetStore&) = delete;
    SnippetStore& operator=(const SnippetStore&) = delete;

    /// $XDG_DATA_HOME/HalvoraIndependentBeta (by default
    /// ~/.local/share/HalvoraIndependentBeta); nothing without a home folder.
    static std::optional<std::filesystem::path> defaultFolder();

    const std::vector<Snippet>& snippets() const { return snippets_; }
    /// Empty when no data folder could be determined.
    const std::filesystem::path& folder() const { return folder_; }
    const std::filesystem::path& file() const { return file_; }

    // Edits. Each one saves the list and then notifies the observers.
    void setSnippets(std::vector<Snippet> snippets);
    void append(Snippet snippet);
    /// Applies `edit` to the snippet with `id`; false (and no save) when
    /// there is none. `edit` must not change the store itself.
    bool update(const util::Uuid& id, const std::function<void(Snippet&)>& edit);
    /// Removes every snippet with `id`; false when there was none. The image
    /// file stays in the data folder.
    bool remove(const util::Uuid& id);

    const Snippet* find(const util::Uuid& id) const;

    /// Called after every change of the list (after it was saved).
    [[nodiscard]] util::Connection observe(std::function<void()> onChange);

    /// Writes the list to the snippets file atomically. Throws on an
    /// encoding or file error; the list in memory is unchanged either way.
    void saveNow();

    /// The one snippet whose code (normalised, non-empty trigger) is exactly
    /// `code`, as typed with its leading ";", when it has content. Nothing
    /// when no snippet or several snippets have that code.
    std::optional<Snippet> matchingTrigger(std::string_view code) const;

    /// The first snippet in list order bound to hot-key `slot` that has
    /// content.
    std::optional<Snippet> matchingHotkey(std::int64_t slot) const;

    /// Whether another snippet (different id) has the same normalised code.
    /// False for a snippet without trigger.
    bool triggerConflict(const Snippet& snippet) const;

    /// The first free code ";tl1", ";tl2", ... ";tl9999"; when all are taken,
    /// ";tl" and six random lower-case hexadecimal characters.
    std::string nextQuickReplyTrigger() const;

    /// Copies the image at `source` into the data folder as
    /// "<id>.<extension>" and points the snippet at it. Nothing happens for
    /// an unknown id or an extension outside allowedImageExtensions. Throws
    /// std::system_error when the copy fails (also for a source that is no
    /// regular file or is larger than maxImageBytes); the snippet is then
    /// unchanged.
    void importImage(const std::filesystem::path& source, const util::Uuid& id);

    /// Where the snippet's image lives; nothing when it has none or when its
    /// file name is not a plain file name.
    std::optional<std::filesystem::path> imagePath(const Snippet& snippet) const;

    /// Switches on dynamic QR for the first snippet with the code "vcbq"
    /// (in any case, with or without ";" around it) whose dynamicQR was never
    /// set, provided the QR profile is configured. True when a snippet was
    /// switched on.
    bool enableLegacyVCBQIfConfigured(const qr::DynamicQRProfile& profile);

    /// How old a leftover must be before removeLeftovers takes it: a write
    /// or an import still running (in another process of the program) is
    /// far younger.
    static constexpr std::chrono::minutes leftoverAge = util::leftoverAge;

    /// Removes from the data folder what interrupted writes of this program
    /// left there, once it is older than `minimumAge`: the temporary files
    /// of its atomic writes (".snippets.json.XXXXXX",
    /// ".import-<UUID>.png.XXXXXX", ...) and "import-<UUID>.<type>" images
    /// that no snippet refers to. Only regular files of exactly those names
    /// are touched. Images are kept while the snippets file on disk is one
    /// the store could not read, and while a kept-aside unreadable snippets
    /// file names them. The number of files removed; failures are logged.
    /// Runs at start-up (in the constructor) and after every import.
    std::size_t removeLeftovers(std::chrono::seconds minimumAge = leftoverAge);

  private:
    /// Hashes codes and file names alike, so that a string_view finds a string.
    struct CodeHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view code) const {
            return std::hash<std::string_view>{}(code);
        }
    };
    /// Where a code first appears in the list and how many snippets have it.
    struct CodeEntry {
        std::size_t index;
        std::size_t count;
    };

    void load();
    /// Rebuilds the code index after the list changed.
    void reindex();
    /// Saves (logging a failure) and notifies: the common end of every edit.
    void changed();

    std::filesystem::path folder_;
    std::filesystem::path file_;
    platform::Log& log_;
    std::vector<Snippet> snippets_;
    /// Normalised codes of the snippets with a trigger: the look-up of a
    /// typed code runs on every snippet expansion and must not scan the list.
    std::unordered_map<std::string, CodeEntry, CodeHash, std::equal_to<>> codeIndex_;
    util::Signal<> changed_;
    /// The file on disk could not be read or decoded and must be copied
    /// aside before anything replaces it.
    bool keepUnreadableFile_ = false;
    /// The snippets file existed but could not be read or decoded: images
    /// it may name are never taken for leftovers in this process.
    bool fileWasUnreadable_ = false;
};

}  // namespace halvora::snippets
