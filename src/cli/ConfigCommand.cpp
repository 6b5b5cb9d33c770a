#include "cli/ConfigCommand.h"

#include "platform/JsonFileUserDefaults.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

namespace halvora::cli {
namespace {

using platform::DefaultsValue;

constexpr const char* kUsage =
    "usage: halvora config get KEY | set [--string|--bool|--int|--double] KEY VALUE |\n"
    "       set --array KEY [VALUE...] | unset KEY | list   [--config DIR]";

/// Passes the settings file's messages on to standard error and remembers
/// whether any came, so that a change that could not be saved is reported.
class CommandLog final : public platform::Log {
  public:
    explicit CommandLog(std::ostream& err) : err_(err) {}
    void message(std::string_view text) override {
        err_ << text << '\n';
        ++count_;
    }
    int count() const { return count_; }

  private:
    std::ostream& err_;
    int count_ = 0;
};

enum class ValueType { automatic, string, boolean, integer, real, array };

std::string formatted(const DefaultsValue& value) {
    struct Visitor {
        std::string operator()(bool v) const { return v ? "true" : "false"; }
        std::string operator()(std::int64_t v) const { return std::to_string(v); }
        std::string operator()(double v) const { return nlohmann::json(v).dump(); }
        std::string operator()(const std::string& v) const { return v; }
        std::string operator()(const std::vector<std::string>& v) const {
            return nlohmann::json(v).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
        }
    };
    return std::visit(Visitor{}, value);
}

std::optional<DefaultsValue> parsed(ValueType type, const std::vector<std::string_view>& values) {
    if (type == ValueType::array) {
        return DefaultsValue(std::vector<std::string>(values.begin(), values.end()));
    }
    if (values.size() != 1) {
        return std::nullopt;
    }
    const std::string_view text = values.front();
    switch (type) {
        case ValueType::automatic:
            if (text == "true" || text == "false") {
                return DefaultsValue(text == "true");
            }
            return DefaultsValue(std::string(text));
        case ValueType::string:
            return DefaultsValue(std::string(text));
        case ValueType::boolean:
            if (text == "true" || text == "false") {
                return DefaultsValue(text == "true");
            }
            return std::nullopt;
        case ValueType::integer: {
            std::int64_t number = 0;
            const auto [end, error] =
                std::from_chars(text.data(), text.data() + text.size(), number);
            if (error != std::errc() || end != text.data() + text.size()) {
                return std::nullopt;
            }
            return DefaultsValue(number);
        }
        case ValueType::real: {
            const std::string copy(text);
            char* end = nullptr;
            const double number = std::strtod(copy.c_str(), &end);
            if (copy.empty() || end != copy.c_str() + copy.size() || !std::isfinite(number)) {
                return std::nullopt;
            }
            return DefaultsValue(number);
        }
        case ValueType::array:
            break;
    }
    return std::nullopt;
}

int usage(std::ostream& err, const std::string& message) {
    err << "halvora: config: " << message << '\n' << kUsage << '\n';
    return 2;
}

}  // namespace

std::optional<std::filesystem::path> defaultsFile(
    const std::optional<std::filesystem::path>& configFolder) {
    if (configFolder) {
        return *configFolder / "defaults.json";
    }
    return platform::JsonFileUserDefaults::defaultFile();
}

int runConfigCommand(const std::vector<std::string_view>& args, std::ostream& out,
                     std::ostream& err) {
    std::optional<std::filesystem::path> configFolder;
    ValueType type = ValueType::automatic;
    std::vector<std::string_view> words;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        // "-5" is a value (a negative number), not an option.
        if (optionsEnded || arg.size() < 2 || arg[0] != '-' || (arg[1] >= '0' && arg[1] <= '9')) {
            words.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--config") {
            if (i + 1 >= args.size()) {
                return usage(err, "--config needs a folder");
            }
            configFolder = std::filesystem::path(args[++i]);
        } else if (arg == "--string" || arg == "--bool" || arg == "--int" || arg == "--double" ||
                   arg == "--array") {
            if (type != ValueType::automatic) {
                return usage(err, "only one type option may be given");
            }
            type = arg == "--string"   ? ValueType::string
                   : arg == "--bool"   ? ValueType::boolean
                   : arg == "--int"    ? ValueType::integer
                   : arg == "--double" ? ValueType::real
                                       : ValueType::array;
        } else {
            return usage(err, "unknown option '" + std::string(arg) + "'");
        }
    }
    if (words.empty()) {
        return usage(err, "a subcommand is needed");
    }
    const std::string_view action = words.front();
    words.erase(words.begin());
    if (action != "get" && action != "set" && action != "unset" && action != "list") {
        return usage(err, "unknown subcommand '" + std::string(action) + "'");
    }
    if (type != ValueType::automatic && action != "set") {
        return usage(err, "type options apply to set only");
    }
    const std::size_t keyCount = action == "list" ? 0 : 1;
    if (words.size() < keyCount || (keyCount == 1 && words.front().empty())) {
        return usage(err, std::string(action) + " needs a KEY");
    }
    if (action != "set" && words.size() != keyCount) {
        return usage(err, "too many arguments for " + std::string(action));
    }

    const std::optional<std::filesystem::path> file = defaultsFile(configFolder);
    if (!file) {
        err << "halvora: config: no settings folder is known; give --config DIR\n";
        return 1;
    }
    CommandLog log(err);
    platform::JsonFileUserDefaults defaults(*file, log);

    if (action == "list") {
        for (const std::string& key : defaults.keys()) {
            if (const auto value = defaults.object(key)) {
                out << key << '\t' << formatted(*value) << '\n';
            }
        }
        return 0;
    }
    const std::string_view key = words.front();
    if (action == "get") {
        const auto value = defaults.object(key);
        if (!value) {
            err << "halvora: config: " << key << " is not set\n";
            return 1;
        }
        out << formatted(*value) << '\n';
        return 0;
    }

    const int messagesBefore = log.count();
    if (action == "unset") {
        defaults.removeObject(key);
    } else {
        const std::vector<std::string_view> values(words.begin() + 1, words.end());
        const std::optional<DefaultsValue> value = parsed(type, values);
        if (!value) {
            return usage(err, values.size() == 1 ? "'" + std::string(values.front()) +
                                                       "' is not a value of that type"
                                                 : "set needs exactly one VALUE");
        }
        defaults.set(key, *value);
    }
    if (!defaults.persisting() || log.count() != messagesBefore) {
        err << "halvora: config: the change could not be saved to " << file->string() << '\n';
        return 1;
    }
    return 0;
}

}  // namespace halvora::cli
