#pragma once

#include "platform/Log.h"
#include "platform/UserDefaults.h"
#include "util/TemporaryFile.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace halvora::platform {

/// User defaults kept in one JSON file: an object from key to value, where a
/// Boolean, an integer, a floating-point number, a string and an array of
/// strings are stored as the JSON value of the same kind, so that each reads
/// back with the type it was stored with. Every change is written through at
/// once, atomically.
///
/// A file that is not a JSON object, is larger than maxFileBytes or nests
/// deeper than maxNesting is moved aside (renamed to
/// "defaults.unreadable-<time>.json"), logged, and the defaults start empty.
/// A file that exists but cannot be read (or is no regular file: a device, a
/// pipe) is never overwritten: changes then live in memory only, and a batch
/// (apply) is refused. Temporary files that interrupted writes left beside
/// the file are removed at start-up once they are old enough. Keys whose value has no defaults type
/// (an object, a null, an array holding other than strings) read as absent but are written back
/// unchanged.
class JsonFileUserDefaults final : public UserDefaults {
  public:
    using UserDefaults::set;

    /// Settings are a few kilobytes; more is not a settings file.
    static constexpr std::uint64_t maxFileBytes = 8 << 20;
    /// The values themselves nest two deep (an object of arrays).
    static constexpr std::size_t maxNesting = 64;

    /// Loads `file` (which need not exist yet). `log` must outlive this object.
    JsonFileUserDefaults(std::filesystem::path file, Log& log);

    /// Removes the temporary files of this file's writes (".defaults.json.XXXXXX",
    /// beside it and beside the file a link points to) older than
    /// `minimumAge`, as a kill in the middle of a write leaves them; the
    /// number removed, failures logged.
    std::size_t removeLeftovers(std::chrono::seconds minimumAge = util::leftoverAge);

    /// $XDG_CONFIG_HOME/HalvoraIndependentBeta/defaults.json (by default
    /// ~/.config/...); nothing when no home directory is known.
    static std::optional<std::filesystem::path> defaultFile();

    std::optional<DefaultsValue> object(std::string_view key) const override;
    void set(std::string_view key, DefaultsValue value) override;
    void removeObject(std::string_view key) override;
    void apply(std::span<const DefaultsChange> changes) override;
    std::vector<std::string> keys() const override;

    const std::filesystem::path& file() const { return file_; }
    /// False when the file on disk could not be read and is being left alone.
    bool persisting() const { return persisting_; }

  private:
    void load();
    void save();
    /// Writes `document` to the file; throws what the write throws.
    void write(const nlohmann::json& document) const;
    void setAside(std::string_view why);

    std::filesystem::path file_;
    Log& log_;
    nlohmann::json document_ = nlohmann::json::object();
    bool persisting_ = true;
};

}  // namespace halvora::platform
