#include "cli/SimulateSession.h"

#include "cli/Media.h"
#include "platform/sim/SimKeyboardLayout.h"
#include "text/Unicode.h"

#include <charconv>
#include <cstdlib>
#include <map>
#include <vector>

namespace halvora::cli {
namespace {

namespace keys = platform::keyCodes;
namespace flags = platform::eventFlags;
using Status = SimulateStep::Status;

SimulateStep malformed(std::string message) {
    return {Status::malformed, std::move(message)};
}
SimulateStep failed(std::string message) {
    return {Status::failed, std::move(message)};
}

std::string_view trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// Splits "a b=\"c d\" e" into words; double quotes group, \" and \\ escape.
std::optional<std::vector<std::string>> splitWords(std::string_view s) {
    std::vector<std::string> words;
    std::string current;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (quoted) {
            if (c == '\\' && i + 1 < s.size() && (s[i + 1] == '"' || s[i + 1] == '\\')) {
                current += s[++i];
            } else if (c == '"') {
                quoted = false;
            } else {
                current += c;
            }
        } else if (c == ' ' || c == '\t') {
            if (inWord) {
                words.push_back(std::move(current));
                current.clear();
                inWord = false;
            }
        } else if (c == '"') {
            quoted = true;
            inWord = true;
        } else {
            current += c;
            inWord = true;
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    if (inWord) {
        words.push_back(std::move(current));
    }
    return words;
}

// NAME=VALUE pairs, in order.
std::optional<std::vector<std::pair<std::string, std::string>>> splitAssignments(
    std::string_view s) {
    const auto words = splitWords(s);
    if (!words) {
        return std::nullopt;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const std::string& word : *words) {
        const auto eq = word.find('=');
        if (eq == std::string::npos || eq == 0) {
            return std::nullopt;
        }
        pairs.emplace_back(word.substr(0, eq), word.substr(eq + 1));
    }
    return pairs;
}

std::optional<platform::KeyCode> namedKey(std::string_view name) {
    static const std::map<std::string_view, platform::KeyCode> names{
        {"space", keys::space},       {"return", keys::returnKey},    {"tab", keys::tab},
        {"enter", keys::keypadEnter}, {"backspace", keys::backspace}, {"escape", keys::escape},
        {"left", keys::leftArrow},    {"right", keys::rightArrow},    {"up", keys::upArrow},
        {"down", keys::downArrow},    {"home", keys::home},           {"end", keys::end},
        {"pageup", keys::pageUp},     {"pagedown", keys::pageDown},
    };
    const auto it = names.find(name);
    return it == names.end() ? std::nullopt : std::optional(it->second);
}

// Field texts on one line: line breaks and tabs are shown escaped.
std::string oneLine(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\\':
                out += "\\\\";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string_view typeName(platform::PasteboardType type) {
    switch (type) {
        case platform::PasteboardType::string:
            return "string";
        case platform::PasteboardType::image:
            return "image";
        case platform::PasteboardType::rtfd:
            return "rtfd";
        case platform::PasteboardType::tiff:
            return "tiff";
        case platform::PasteboardType::png:
            return "png";
    }
    return "unknown";
}

platform::Platform withDefaults(const platform::Platform& p, platform::UserDefaults& defaults) {
    return platform::Platform{
        p.eventTap,   p.textOutput,    p.keyboardState, p.accessibility, p.workspace, p.pasteboard,
        p.mainQueue,  p.workerQueue,   p.hotKeys,       p.loginItems,    p.alerts,    p.httpClient,
        p.imageCodec, p.barcodeReader, defaults,        p.log,           p.words};
}

// The QR image of a simulated paste is made for real: bank directory and image
// service over HTTP (the hosts come from "qr.directoryURL" / "qr.imageURL"
// when set), rasterised and read back. The adapters are loaded only when a
// script first pastes a QR snippet.
class LazyRealQRSource final : public input::DynamicQRSource {
  public:
    LazyRealQRSource(platform::UserDefaults& defaults, platform::WorkerQueue& worker,
                     platform::MainQueue& main)
        : defaults_(defaults), worker_(worker), main_(main) {}

    std::string nextWishMemo() override {
        input::DynamicQRSource* real = source();
        return real ? real->nextWishMemo() : std::string();
    }
    void prepare(const qr::DynamicQRProfile& profile, const std::string& memo,
                 Completion completion) override {
        if (input::DynamicQRSource* real = source()) {
            real->prepare(profile, memo, std::move(completion));
            return;
        }
        // Never inside this call: the flow expects the result later.
        main_.async([completion = std::move(completion), error = error_] {
            completion(Result{std::nullopt, error});
        });
    }

  private:
    input::DynamicQRSource* source() {
        if (!source_ && error_.empty()) {
            media_ = loadMedia(error_);
            if (media_) {
                source_ = media_->makeQRSource(defaults_, worker_, main_);
            }
        }
        return source_.get();
    }

    platform::UserDefaults& defaults_;
    platform::WorkerQueue& worker_;
    platform::MainQueue& main_;
    std::string error_;
    std::unique_ptr<Media> media_;
    std::unique_ptr<input::DynamicQRSource> source_;
};

std::filesystem::path makeTemporaryFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "halvora-simulate-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    return pattern;
}

}  // namespace

SimulateSession::SimulateSession(const SimulateOptions& options, std::ostream& out)
    : out_(out),
      temporaryFolder_(options.dataFolder ? std::filesystem::path() : makeTemporaryFolder()),
      fileDefaults_(options.configFolder
                        ? std::make_unique<platform::JsonFileUserDefaults>(
                              *options.configFolder / "defaults.json", desktop_.log())
                        : nullptr),
      platform_(fileDefaults_ ? withDefaults(desktop_.platform(), *fileDefaults_)
                              : desktop_.platform()),
      panels_(desktop_),
      qrSource_(std::make_unique<LazyRealQRSource>(platform_.userDefaults, platform_.workerQueue,
                                                   platform_.mainQueue)) {
    core_ = std::make_unique<app::Core>(
        platform_, panels_, options.dataFolder.value_or(temporaryFolder_), qrSource_.get());
    input::KeyboardController& controller = core_->keyboard();

    desktop_.setTrusted(true);
    if (options.vni) {
        controller.setMethod(engine::InputMethod::vni);
    }
    if (options.oldTone) {
        controller.setModernTone(false);
    }
    activateApplication(defaultApplication);
    controller.start();
    settle();
}

SimulateSession::~SimulateSession() {
    core_.reset();
    qrSource_.reset();
    if (!temporaryFolder_.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(temporaryFolder_, ignored);
    }
}

std::string SimulateSession::fieldText() const {
    const platform::sim::SimTextField* field =
        const_cast<platform::sim::SimDesktop&>(desktop_).focusedField();
    return field ? field->text() : std::string();
}

void SimulateSession::finish() {
    out_ << "field: " << oneLine(fieldText()) << '\n';
}

void SimulateSession::settle() {
    desktop_.mainQueue().runReady();
    reportAlerts();
}

void SimulateSession::reportAlerts() {
    const auto& shown = desktop_.alerts().shown();
    for (; alertsReported_ < shown.size(); ++alertsReported_) {
        const platform::Alert& alert = shown[alertsReported_];
        out_ << "alert: " << alert.message << " | " << alert.informativeText << '\n';
    }
}

SimulateStep SimulateSession::run(std::string_view line) {
    const std::string_view trimmed = trim(line);
    if (trimmed.empty() || trimmed.front() == '#') {
        return {};
    }
    // `type` and `expect` keep everything after the first space, spaces included.
    const std::string_view untrimmedStart = line.substr(line.find_first_not_of(" \t"));
    const auto space = untrimmedStart.find(' ');
    const std::string_view command = trim(untrimmedStart.substr(0, space));
    std::string_view rest =
        space == std::string_view::npos ? std::string_view() : untrimmedStart.substr(space + 1);
    if (command != "type" && command != "expect") {
        rest = trim(rest);
    } else if (!rest.empty() && rest.back() == '\r') {
        rest.remove_suffix(1);
    }
    SimulateStep step = runCommand(command, rest);
    settle();
    return step;
}

SimulateStep SimulateSession::runCommand(std::string_view command, std::string_view rest) {
    if (command == "app") {
        return activateApplication(rest);
    }
    if (command == "field") {
        return focusNewField(rest);
    }
    if (command == "type") {
        return typeText(rest);
    }
    if (command == "key") {
        return pressNamedKey(rest);
    }
    if (command == "click") {
        if (!rest.empty()) {
            return malformed("click takes no arguments");
        }
        if (platform::sim::SimTextField* field = desktop_.focusedField()) {
            desktop_.click(*field);
        } else {
            desktop_.pressKey(platform::KeyEvent{platform::EventType::leftMouseDown, 0, 0, {}, 0});
        }
        return {};
    }
    if (command == "secure") {
        if (rest != "on" && rest != "off") {
            return malformed("secure takes on or off");
        }
        desktop_.setSecureInput(rest == "on");
        return {};
    }
    if (command == "wait") {
        double ms = 0;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), ms);
        if (rest.empty() || error != std::errc() || end != rest.data() + rest.size() || ms < 0) {
            return malformed("wait takes a number of milliseconds");
        }
        // Background work (a QR generation) gets done while the script waits;
        // its result comes back through the main queue like any task.
        desktop_.workerQueue().runAll();
        desktop_.mainQueue().advance(ms / 1000.0);
        return {};
    }
    if (command == "picker") {
        return picker(rest);
    }
    if (command == "prompt") {
        return prompt(rest);
    }
    if (command == "print") {
        out_ << oneLine(fieldText()) << '\n';
        return {};
    }
    if (command == "expect") {
        if (fieldText() != rest) {
            return failed("expected \"" + std::string(rest) + "\", the field has \"" +
                          oneLine(fieldText()) + "\"");
        }
        return {};
    }
    if (command == "clipboard") {
        return printClipboard();
    }
    return malformed("unknown command '" + std::string(command) + "'");
}

SimulateStep SimulateSession::activateApplication(std::string_view bundleID) {
    if (bundleID.empty() || bundleID.find_first_of(" \t") != std::string_view::npos) {
        return malformed("app takes one bundle identifier");
    }
    std::optional<platform::ProcessId> pid;
    for (const platform::RunningApplication& app : desktop_.runningApplications()) {
        if (app.bundleIdentifier == bundleID) {
            pid = app.pid;
        }
    }
    if (!pid) {
        pid = desktop_.launch(std::string(bundleID), std::string(bundleID));
        desktop_.addField(*pid, {.role = "AXTextField"});
    }
    desktop_.bringToFront(*pid);
    return {};
}

SimulateStep SimulateSession::focusNewField(std::string_view arguments) {
    const auto pairs = splitAssignments(arguments);
    if (!pairs) {
        return malformed(
            "field takes KEY=VALUE pairs (role, subrole, description, title, placeholder)");
    }
    platform::ElementAttributes attributes{.role = "AXTextField"};
    for (const auto& [key, value] : *pairs) {
        if (key == "role") {
            attributes.role = value;
        } else if (key == "subrole") {
            attributes.subrole = value;
        } else if (key == "description") {
            attributes.description = value;
        } else if (key == "title") {
            attributes.title = value;
        } else if (key == "placeholder") {
            attributes.placeholderValue = value;
        } else {
            return malformed("unknown field attribute '" + key + "'");
        }
    }
    const std::optional<platform::RunningApplication> front = desktop_.frontmostApplication();
    if (!front) {
        return failed("no application is in front");
    }
    platform::sim::SimTextField& field = desktop_.addField(front->pid, attributes, true);
    // The controller learns of the new focus as after a click into it.
    desktop_.click(field);
    return {};
}

SimulateStep SimulateSession::typeText(std::string_view text) {
    for (char32_t c : text::toUtf32(text)) {
        if (const auto stroke = platform::sim::SimKeyboardLayout::keyFor(c)) {
            desktop_.pressKey(stroke->keyCode, stroke->shift ? flags::shift : 0);
        } else {
            // No key on the US layout: the character arrives as an input method would send it.
            std::string typed;
            text::appendUtf8(typed, c);
            desktop_.pressKey(platform::KeyEvent{platform::EventType::keyDown, 0, 0, typed, 0});
        }
        settle();
    }
    return {};
}

SimulateStep SimulateSession::pressNamedKey(std::string_view arguments) {
    const auto words = splitWords(arguments);
    if (!words || words->empty()) {
        return malformed("key takes a key name and optional +shift +control +option +command");
    }
    platform::EventFlags modifiers = 0;
    for (std::size_t i = 1; i < words->size(); ++i) {
        const std::string& m = (*words)[i];
        if (m == "+shift") {
            modifiers |= flags::shift;
        } else if (m == "+control") {
            modifiers |= flags::control;
        } else if (m == "+option") {
            modifiers |= flags::option;
        } else if (m == "+command") {
            modifiers |= flags::command;
        } else {
            return malformed("unknown modifier '" + m + "'");
        }
    }
    const std::string& name = words->front();
    if (const auto code = namedKey(name)) {
        desktop_.pressKey(*code, modifiers);
        return {};
    }
    const std::u32string character = text::toUtf32(name);
    if (character.size() == 1) {
        if (const auto stroke = platform::sim::SimKeyboardLayout::keyFor(character.front())) {
            desktop_.pressKey(stroke->keyCode, modifiers | (stroke->shift ? flags::shift : 0));
            return {};
        }
    }
    return malformed("unknown key '" + name + "'");
}

SimulateStep SimulateSession::picker(std::string_view arguments) {
    const auto words = splitWords(arguments);
    if (!words || words->empty()) {
        return malformed("picker takes 'choose N' or 'cancel'");
    }
    if ((*words)[0] == "cancel" && words->size() == 1) {
        return panels_.cancelPicker() ? SimulateStep{} : failed("no picker is shown");
    }
    if ((*words)[0] == "choose" && words->size() == 2) {
        std::size_t n = 0;
        const std::string& number = (*words)[1];
        const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), n);
        if (error != std::errc() || end != number.data() + number.size() || n == 0) {
            return malformed("picker choose takes a result number from 1");
        }
        if (!panels_.picker()) {
            return failed("no picker is shown");
        }
        return panels_.choosePickerResult(n - 1)
                   ? SimulateStep{}
                   : failed("the picker has no result " + std::to_string(n));
    }
    return malformed("picker takes 'choose N' or 'cancel'");
}

SimulateStep SimulateSession::prompt(std::string_view arguments) {
    const auto space = arguments.find(' ');
    const std::string_view verb = arguments.substr(0, space);
    const std::string_view rest =
        space == std::string_view::npos ? std::string_view() : trim(arguments.substr(space));
    if (verb == "fill") {
        const auto pairs = splitAssignments(rest);
        if (!pairs || pairs->empty()) {
            return malformed("prompt fill takes NAME=VALUE pairs");
        }
        if (!panels_.prompt()) {
            return failed("no prompt is shown");
        }
        for (const auto& [name, value] : *pairs) {
            if (!panels_.fillPromptField(name, value)) {
                return failed("the prompt has no field '" + name + "'");
            }
        }
        return {};
    }
    if ((verb == "submit" || verb == "cancel") && rest.empty()) {
        if (!panels_.prompt()) {
            return failed("no prompt is shown");
        }
        if (verb == "cancel") {
            panels_.cancelPrompt();
            return {};
        }
        return panels_.submitPrompt() ? SimulateStep{}
                                      : failed("the prompt cannot be submitted: a field is empty");
    }
    return malformed("prompt takes 'fill NAME=VALUE…', 'submit' or 'cancel'");
}

SimulateStep SimulateSession::printClipboard() {
    std::string types;
    std::string string;
    for (const platform::PasteboardItem& item : desktop_.pasteboard().items()) {
        for (const platform::PasteboardRepresentation& r : item.representations) {
            if (!types.empty()) {
                types += ", ";
            }
            types += typeName(r.type);
            if (r.type == platform::PasteboardType::string && string.empty()) {
                string = r.text;
            }
        }
    }
    out_ << "clipboard: " << (types.empty() ? "empty" : types) << " | " << oneLine(string) << '\n';
    return {};
}

}  // namespace halvora::cli
