#include "platform/JsonFileUserDefaults.h"

#include "platform/XdgDirectories.h"
#include "util/Files.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <system_error>

namespace halvora::platform {
namespace fs = std::filesystem;
using nlohmann::json;
namespace {

std::optional<DefaultsValue> toDefaultsValue(const json& value) {
    switch (value.type()) {
        case json::value_t::boolean:
            return DefaultsValue(value.get<bool>());
        case json::value_t::number_integer:
            return DefaultsValue(value.get<std::int64_t>());
        case json::value_t::number_unsigned: {
            const auto number = value.get<std::uint64_t>();
            if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
                return std::nullopt;
            }
            return DefaultsValue(static_cast<std::int64_t>(number));
        }
        case json::value_t::number_float:
            return DefaultsValue(value.get<double>());
        case json::value_t::string:
            return DefaultsValue(value.get<std::string>());
        case json::value_t::array: {
            std::vector<std::string> strings;
            strings.reserve(value.size());
            for (const json& element : value) {
                if (!element.is_string()) {
                    return std::nullopt;
                }
                strings.push_back(element.get<std::string>());
            }
            return DefaultsValue(std::move(strings));
        }
        default:
            return std::nullopt;
    }
}

json toJson(const DefaultsValue& value) {
    return std::visit([](const auto& v) { return json(v); }, value);
}

}  // namespace

JsonFileUserDefaults::JsonFileUserDefaults(fs::path file, Log& log)
    : file_(std::move(file)), log_(log) {
    load();
    removeLeftovers();
}

std::size_t JsonFileUserDefaults::removeLeftovers(std::chrono::seconds minimumAge) {
    // Writes go beside the file a link points to; a write from before the
    // file became a link went beside the link.
    std::vector<fs::path> leftovers;
    for (const fs::path& written : {file_, util::followLinks(file_)}) {
        const std::string name = written.filename().string();
        for (fs::path& found : util::filesIn(
                 written.parent_path(),
                 [&name](std::string_view candidate) {
                     return util::temporaryFileTarget(candidate) == name;
                 },
                 minimumAge)) {
            if (std::ranges::find(leftovers, found) == leftovers.end()) {
                leftovers.push_back(std::move(found));
            }
        }
    }
    return util::removeLeftovers(leftovers,
                                 [this](const std::string& message) { log_.message(message); });
}

std::optional<fs::path> JsonFileUserDefaults::defaultFile() {
    const std::optional<fs::path> base = xdgConfigHome();
    if (!base) {
        return std::nullopt;
    }
    return *base / kProductFolderName / "defaults.json";
}

void JsonFileUserDefaults::load() {
    std::string content;
    try {
        content = util::readFile(file_, maxFileBytes);
    } catch (const std::system_error& error) {
        if (error.code() == std::errc::no_such_file_or_directory) {
            return;  // a first start
        }
        if (error.code() == std::errc::file_too_large) {
            setAside("is larger than " + std::to_string(maxFileBytes) + " bytes");
            return;
        }
        persisting_ = false;
        log_.message("Halvora defaults file cannot be read, changes stay in memory: " +
                     std::string(error.what()));
        return;
    }

    if (util::jsonNestingExceeds(content, maxNesting)) {
        setAside("nests deeper than " + std::to_string(maxNesting) + " levels");
        return;
    }
    json parsed = json::parse(content, nullptr, /*allow_exceptions=*/false);
    if (!parsed.is_discarded() && parsed.is_object()) {
        document_ = std::move(parsed);
        for (const auto& [key, value] : document_.items()) {
            if (!toDefaultsValue(value)) {
                log_.message("Halvora defaults key \"" + key +
                             "\" holds an unsupported value; kept and ignored");
            }
        }
        return;
    }
    setAside("is not a JSON object");
}

void JsonFileUserDefaults::setAside(std::string_view why) {
    // Never write over settings we could not understand: keep them aside.
    try {
        const fs::path aside = util::moveAside(file_, "unreadable");
        log_.message("Halvora defaults file " + std::string(why) + "; moved to " + aside.string() +
                     ", starting with empty defaults");
    } catch (const std::system_error& error) {
        persisting_ = false;
        log_.message(
            "Halvora defaults file " + std::string(why) +
            " and cannot be moved aside, changes stay in memory: " + std::string(error.what()));
    }
}

void JsonFileUserDefaults::write(const json& document) const {
    std::error_code ignored;
    fs::create_directories(file_.parent_path(), ignored);
    const std::string bytes =
        document.dump(2, ' ', /*ensure_ascii=*/false, json::error_handler_t::replace);
    util::writeFileAtomically(file_, bytes + "\n");
}

void JsonFileUserDefaults::save() {
    if (!persisting_) {
        return;
    }
    try {
        write(document_);
    } catch (const std::exception& error) {
        log_.message("Halvora defaults save failed: " + std::string(error.what()));
    }
}

void JsonFileUserDefaults::apply(std::span<const DefaultsChange> changes) {
    if (!persisting_) {
        throw DefaultsSaveError("the defaults file " + file_.string() +
                                " cannot be read, so it is not written");
    }
    json changed = document_;
    for (const DefaultsChange& change : changes) {
        if (!change.value) {
            changed.erase(change.key);
            continue;
        }
        if (const double* number = std::get_if<double>(&*change.value);
            number != nullptr && !std::isfinite(*number)) {
            throw DefaultsSaveError("a non-finite number for \"" + change.key + "\"");
        }
        changed[change.key] = toJson(*change.value);
    }
    try {
        write(changed);
    } catch (const std::exception& error) {
        log_.message("Halvora defaults save failed: " + std::string(error.what()));
        throw DefaultsSaveError(error.what());
    }
    document_ = std::move(changed);
}

std::optional<DefaultsValue> JsonFileUserDefaults::object(std::string_view key) const {
    const auto it = document_.find(std::string(key));
    if (it == document_.end()) {
        return std::nullopt;
    }
    return toDefaultsValue(*it);
}

void JsonFileUserDefaults::set(std::string_view key, DefaultsValue value) {
    if (const double* number = std::get_if<double>(&value);
        number != nullptr && !std::isfinite(*number)) {
        // JSON has no spelling for these; storing one would read back as something else.
        log_.message("Halvora defaults refused a non-finite number for \"" + std::string(key) +
                     "\"");
        return;
    }
    document_[std::string(key)] = toJson(value);
    save();
}

void JsonFileUserDefaults::removeObject(std::string_view key) {
    if (document_.erase(std::string(key)) > 0) {
        save();
    }
}

std::vector<std::string> JsonFileUserDefaults::keys() const {
    std::vector<std::string> out;
    for (const auto& [key, value] : document_.items()) {
        if (toDefaultsValue(value)) {
            out.push_back(key);
        }
    }
    return out;
}

}  // namespace halvora::platform
