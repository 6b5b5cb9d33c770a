#include "platform/qt/DesktopEntries.h"

#include "bridge/ProgramIdentity.h"
#include "platform/XdgDirectories.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

namespace halvora::platform::qt {

namespace {

constexpr std::string_view kSuffix = ".desktop";

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

/// The escapes a desktop entry's string values may hold.
std::string unescaped(std::string_view value) {
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        switch (value[++i]) {
            case 's':
                text += ' ';
                break;
            case 'n':
                text += '\n';
                break;
            case 't':
                text += '\t';
                break;
            case 'r':
                text += '\r';
                break;
            default:
                text += value[i];
        }
    }
    return text;
}

std::string baseName(std::string_view path) {
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

/// The program an Exec line starts: its first word, past "env" and its
/// variable assignments, without quotes or a directory.
std::string execProgram(std::string_view exec) {
    std::istringstream words{std::string(exec)};
    std::string word;
    bool afterEnv = false;
    while (words >> word) {
        if (word.size() >= 2 && (word.front() == '"' || word.front() == '\'')) {
            word = word.substr(1, word.find(word.front(), 1) - 1);
        }
        const std::string name = baseName(word);
        if (!afterEnv && name == "env") {
            afterEnv = true;
            continue;
        }
        if (afterEnv && word.find('=') != std::string::npos) {
            continue;
        }
        return name;
    }
    return {};
}

void addLanguage(std::vector<std::string>& languages, std::string locale) {
    // "vi_VN.UTF-8@euro": the encoding never names a translation.
    const auto dot = locale.find('.');
    if (dot != std::string::npos) {
        const auto at = locale.find('@', dot);
        locale = locale.substr(0, dot) + (at == std::string::npos ? "" : locale.substr(at));
    }
    if (locale.empty() || locale == "C" || locale == "POSIX") {
        return;
    }
    const auto push = [&](std::string language) {
        if (std::find(languages.begin(), languages.end(), language) == languages.end()) {
            languages.push_back(std::move(language));
        }
    };
    push(locale);
    const auto cut = locale.find_first_of("_@");
    if (cut != std::string::npos) {
        push(locale.substr(0, cut));
    }
}

}  // namespace

DesktopEntries::DesktopEntries(std::vector<std::filesystem::path> dataDirectories,
                               std::vector<std::string> languages)
    : directories_(std::move(dataDirectories)), languages_(std::move(languages)) {}

std::vector<std::filesystem::path> DesktopEntries::xdgDataDirectories() {
    std::vector<std::filesystem::path> directories;
    if (const auto home = xdgDataHome()) {
        directories.push_back(*home);
    }
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::istringstream list(dirs != nullptr && *dirs != '\0' ? dirs
                                                             : "/usr/local/share:/usr/share");
    for (std::string dir; std::getline(list, dir, ':');) {
        if (!dir.empty() && dir.front() == '/') {
            directories.emplace_back(dir);
        }
    }
    return directories;
}

std::vector<std::string> DesktopEntries::userLanguages() {
    std::vector<std::string> languages;
    if (const char* list = std::getenv("LANGUAGE")) {
        std::istringstream entries(list);
        for (std::string language; std::getline(entries, language, ':');) {
            addLanguage(languages, language);
        }
    }
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* locale = std::getenv(variable); locale != nullptr && *locale != '\0') {
            addLanguage(languages, locale);
            break;
        }
    }
    addLanguage(languages, "vi_VN");
    return languages;
}

void DesktopEntries::refreshIfChanged() const {
    std::vector<std::filesystem::file_time_type> stamps;
    for (const auto& directory : directories_) {
        std::error_code error;
        stamps.push_back(std::filesystem::last_write_time(directory / "applications", error));
    }
    if (loaded_ && stamps == stamps_) {
        return;
    }
    loaded_ = true;
    stamps_ = std::move(stamps);
    entries_.clear();
    // An ID seen once, even as a hidden entry, is not looked for further down.
    std::set<std::string> seen;
    for (const auto& directory : directories_) {
        const std::filesystem::path applications = directory / "applications";
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(
                 applications, std::filesystem::directory_options::skip_permission_denied, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            const std::string name = it->path().filename().string();
            if (!name.ends_with(kSuffix) || !it->is_regular_file(error)) {
                continue;
            }
            // kde4/foo.desktop has the ID kde4-foo.
            std::string id = it->path().lexically_relative(applications).string();
            id.resize(id.size() - kSuffix.size());
            std::replace(id.begin(), id.end(), '/', '-');
            if (!seen.insert(id).second) {
                continue;
            }
            if (auto entry = read(it->path(), std::move(id))) {
                entries_.push_back(std::move(*entry));
            }
        }
    }
}

std::optional<DesktopEntries::Entry> DesktopEntries::read(const std::filesystem::path& file,
                                                          std::string id) const {
    std::ifstream in(file);
    std::map<std::string, std::string, std::less<>> values;
    bool inMainGroup = false;
    for (std::string line; std::getline(in, line);) {
        const std::string text = trimmed(line);
        if (text.empty() || text.front() == '#') {
            continue;
        }
        if (text.front() == '[') {
            inMainGroup = text == "[Desktop Entry]";
            continue;
        }
        const auto equals = text.find('=');
        if (!inMainGroup || equals == std::string::npos) {
            continue;
        }
        values.emplace(trimmed(std::string_view(text).substr(0, equals)),
                       unescaped(trimmed(std::string_view(text).substr(equals + 1))));
    }
    const auto value = [&](std::string_view key) -> std::string {
        const auto found = values.find(key);
        return found == values.end() ? std::string() : found->second;
    };
    if (value("Type") != "Application" || value("Hidden") == "true") {
        return std::nullopt;
    }
    std::string name;
    for (const std::string& language : languages_) {
        name = value("Name[" + language + "]");
        if (!name.empty()) {
            break;
        }
    }
    if (name.empty()) {
        name = value("Name");
    }
    Entry entry{std::move(id), {}, ApplicationLabel{std::move(name), value("Icon")}};
    entry.programs.push_back(entry.id);
    if (std::string program = execProgram(value("Exec")); !program.empty()) {
        entry.programs.push_back(std::move(program));
    }
    if (std::string windowClass = value("StartupWMClass"); !windowClass.empty()) {
        entry.programs.push_back(std::move(windowClass));
    }
    return entry;
}

std::optional<ApplicationLabel> DesktopEntries::find(std::string_view identifier) const {
    if (identifier.empty()) {
        return std::nullopt;
    }
    refreshIfChanged();
    // The entry named for the identifier itself wins over one that only
    // starts a program of that identifier.
    for (const Entry& entry : entries_) {
        if (entry.id == identifier) {
            return entry.label;
        }
    }
    for (const Entry& entry : entries_) {
        for (const std::string& program : entry.programs) {
            if (program == identifier ||
                bridge::ProgramIdentity::applicationIdentifier(program) == identifier) {
                return entry.label;
            }
        }
    }
    return std::nullopt;
}

}  // namespace halvora::platform::qt
