// halvora: the command-line tool over the core.

#include "cli/BackupCommand.h"
#include "cli/ComposeSession.h"
#include "cli/ConfigCommand.h"
#include "cli/DoctorCommand.h"
#include "cli/Media.h"
#include "cli/SimulateSession.h"
#include "platform/posix/PosixSystemProbe.h"
#include "text/NfcStreamDecoder.h"
#include "text/Unicode.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#ifndef HALVORA_VERSION
#define HALVORA_VERSION "0"
#endif

namespace {

namespace fs = std::filesystem;

constexpr const char* kExitStatus =
    "Exit status:\n"
    "  0  done\n"
    "  1  failed: an expectation of a script did not hold, a file could not be\n"
    "     read or written (the output too), typing cannot work (doctor)\n"
    "  2  the command line is wrong, or a script line cannot be understood\n"
    "\n"
    "FILE and SCRIPT may be - for standard input or output. Every command takes\n"
    "--help and --version; options take their value as --opt VALUE or\n"
    "--opt=VALUE.\n";

constexpr const char* kSimulateScript =
    "SCRIPT holds one command a line:\n"
    "  app BUNDLE_ID            bring an application to the front (created\n"
    "                           on first use with one empty text field)\n"
    "  field KEY=VALUE...       focus a new field; keys: role, subrole,\n"
    "                           description, title, placeholder\n"
    "  type TEXT                press the keys that type TEXT\n"
    "  key NAME [+shift] [+control] [+option] [+command]\n"
    "                           one key: a character or space, return,\n"
    "                           tab, enter, backspace, escape, left, right,\n"
    "                           up, down, home, end, pageup, pagedown\n"
    "  click | secure on|off | wait MS\n"
    "  picker choose N | picker cancel\n"
    "  prompt fill NAME=VALUE... | prompt submit | prompt cancel\n"
    "  print | expect TEXT | clipboard\n"
    "Blank lines and lines starting with # are skipped. Alerts are answered\n"
    "with their first button and printed. At the end the focused field's\n"
    "text is printed after 'field: '.\n";

void writeOut(const std::string& s) {
    if (!s.empty()) {
        std::fwrite(s.data(), 1, s.size(), stdout);
    }
}

/// Whether everything written to standard output reached it; says why not.
bool outputWritten() {
    std::cout.flush();
    const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout) && std::cout.good();
    if (!written) {
        std::fprintf(stderr, "halvora: cannot write the output: %s\n",
                     std::strerror(errno != 0 ? errno : EIO));
    }
    return written;
}

/// A file in a private temporary folder, removed with this object: what a
/// command reads from standard input or writes to standard output goes
/// through it, for the commands work on files.
class StreamFile {
  public:
    StreamFile() {
        std::string pattern = (fs::temp_directory_path() / "halvora-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            folder_ = pattern;
        }
    }
    ~StreamFile() {
        std::error_code error;
        if (!folder_.empty()) {
            fs::remove_all(folder_, error);
        }
    }
    StreamFile(const StreamFile&) = delete;
    StreamFile& operator=(const StreamFile&) = delete;

    bool ok() const { return !folder_.empty(); }
    fs::path path(const std::string& name) const { return folder_ / name; }

    /// Copies standard input into `file`.
    static bool fromStandardInput(const fs::path& file) {
        std::ofstream out(file, std::ios::binary);
        out << std::cin.rdbuf();
        out.flush();
        return out.good() && !std::cin.bad();
    }
    /// Copies `file` to standard output.
    static bool toStandardOutput(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            return false;
        }
        std::cout << in.rdbuf();
        return in.good() || in.eof();
    }

  private:
    fs::path folder_;
};

int runCompose(const halvora::cli::ComposeOptions& options, const std::vector<std::string>& words) {
    // "-" alone is standard input, as no TEXT is.
    if (!words.empty() && !(words.size() == 1 && words[0] == "-")) {
        std::string joined;
        for (std::size_t i = 0; i < words.size(); ++i) {
            if (i > 0) {
                joined += ' ';
            }
            joined += words[i];
        }
        std::string out = halvora::cli::composeText(joined, options);
        if (!options.trace) {
            out += '\n';
        }
        writeOut(out);
        return 0;
    }

    // Standard input streams through in pieces; nothing holds the whole input.
    halvora::cli::ComposeSession session(options);
    halvora::text::NfcStreamDecoder decoder;
    std::vector<char> buffer(1 << 16);
    std::u32string characters;
    std::string out;
    std::size_t read = 0;
    while ((read = std::fread(buffer.data(), 1, buffer.size(), stdin)) > 0) {
        characters.clear();
        decoder.push(std::string_view(buffer.data(), read), characters);
        session.type(characters, out);
        writeOut(out);
        out.clear();
    }
    if (std::ferror(stdin)) {
        std::fprintf(stderr, "halvora: compose: cannot read standard input: %s\n",
                     std::strerror(errno));
        return 1;
    }
    characters.clear();
    decoder.finish(characters);
    session.type(characters, out);
    session.finish(out);
    writeOut(out);
    return 0;
}

int runSimulate(const halvora::cli::SimulateOptions& options, const std::string& scriptPath) {
    std::ifstream file;
    const bool fromFile = !scriptPath.empty() && scriptPath != "-";
    if (fromFile) {
        file.open(scriptPath);
        if (!file) {
            std::fprintf(stderr, "halvora: simulate: cannot open %s: %s\n", scriptPath.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    std::istream& script = fromFile ? static_cast<std::istream&>(file) : std::cin;

    halvora::cli::SimulateSession session(options, std::cout);
    std::string line;
    int lineNumber = 0;
    while (std::getline(script, line)) {
        ++lineNumber;
        const halvora::cli::SimulateStep step = session.run(line);
        if (step.status != halvora::cli::SimulateStep::Status::ok) {
            std::cout.flush();
            std::fprintf(stderr, "halvora: simulate: line %d: %s\n", lineNumber,
                         step.message.c_str());
            return step.status == halvora::cli::SimulateStep::Status::failed ? 1 : 2;
        }
    }
    session.finish();
    return 0;
}

/// The arguments of a folder option as the commands' own readers take them.
void folderArguments(std::vector<std::string>& args, const char* option,
                     const std::optional<std::string>& folder) {
    if (folder) {
        args.push_back(option);
        args.push_back(*folder);
    }
}

std::vector<std::string_view> views(const std::vector<std::string>& args) {
    return std::vector<std::string_view>(args.begin(), args.end());
}

struct BackupArguments {
    std::string action;
    std::string file;
    bool merge = false;
    bool replace = false;
    std::optional<std::string> data;
    std::optional<std::string> config;
};

int runBackup(const BackupArguments& a) {
    StreamFile stream;
    std::string file = a.file;
    const bool standard = a.file == "-";
    if (standard) {
        if (!stream.ok()) {
            std::fprintf(stderr, "halvora: backup: cannot make a temporary folder\n");
            return 1;
        }
        file = stream.path("halvora-backup.json").string();
        if (a.action != "export" && !StreamFile::fromStandardInput(file)) {
            std::fprintf(stderr, "halvora: backup: cannot read standard input\n");
            return 1;
        }
    }
    std::vector<std::string> args{a.action, file};
    if (a.merge) {
        args.push_back("--merge");
    }
    if (a.replace) {
        args.push_back("--replace");
    }
    folderArguments(args, "--data", a.data);
    folderArguments(args, "--config", a.config);
    // With the archive on standard output, the message goes to standard error.
    std::ostream& out = standard && a.action == "export" ? std::cerr : std::cout;
    const int status = halvora::cli::runBackupCommand(views(args), out, std::cerr);
    if (status == 0 && standard && a.action == "export" && !StreamFile::toStandardOutput(file)) {
        return 1;
    }
    return status;
}

struct QrArguments {
    std::optional<std::string> out;
    std::optional<std::string> memo;
    std::optional<std::string> config;
};

int runQr(const QrArguments& a) {
    std::string error;
    const std::unique_ptr<halvora::cli::Media> media = halvora::cli::loadMedia(error);
    if (!media) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    StreamFile stream;
    const bool standard = a.out == "-";
    std::vector<std::string> args;
    if (a.out) {
        args.push_back("--out");
        args.push_back(standard ? stream.path("halvora-qr.png").string() : *a.out);
    }
    if (a.memo) {
        args.push_back("--memo");
        args.push_back(*a.memo);
    }
    folderArguments(args, "--config", a.config);
    // With the image on standard output, the report goes to standard error.
    const int status =
        media->runQrCommand(views(args), standard ? std::cerr : std::cout, std::cerr);
    if (status == 0 && standard && !StreamFile::toStandardOutput(args[1])) {
        return 1;
    }
    return status;
}

int run(int argc, char** argv) {
    CLI::App app{"Halvora: Vietnamese typing, snippets, quick replies and transfer QR codes.",
                 "halvora"};
    app.set_version_flag("-V,--version", std::string("halvora ") + HALVORA_VERSION,
                         "Shows the version.");
    app.set_help_all_flag("--help-all", "Shows the help of every command.");
    app.footer(kExitStatus);
    app.require_subcommand(1);
    const auto versioned = [](CLI::App* command) {
        command->set_version_flag("-V,--version", std::string("halvora ") + HALVORA_VERSION,
                                  "Shows the version.");
    };

    halvora::cli::ComposeOptions compose;
    std::vector<std::string> words;
    CLI::App* composeCommand = app.add_subcommand(
        "compose",
        "Types TEXT (or standard input when no TEXT, or -, is given) through the Vietnamese "
        "composition engine and prints the result.");
    composeCommand->add_flag("--vni", compose.vni, "VNI keystrokes instead of Telex");
    composeCommand->add_flag("--old-tone", compose.oldTone,
                             "old tone placement (hòa) instead of the modern one (hoà)");
    composeCommand->add_flag("--trace", compose.trace,
                             "one line per word: raw keys, composed text, commit text, escaped "
                             "flag (0/1) and typo suggestion, tab-separated");
    composeCommand->add_option("TEXT", words, "the text to type");
    versioned(composeCommand);

    halvora::cli::SimulateOptions simulate;
    std::string script;
    std::optional<std::string> simulateData, simulateConfig;
    CLI::App* simulateCommand = app.add_subcommand(
        "simulate",
        "Runs the keyboard controller on a simulated desktop, driven by the commands of SCRIPT "
        "(or standard input).");
    simulateCommand->add_flag("--vni", simulate.vni, "VNI keystrokes instead of Telex");
    simulateCommand->add_flag("--old-tone", simulate.oldTone, "old tone placement");
    simulateCommand
        ->add_option("--data", simulateData, "snippet folder (a temporary empty one by default)")
        ->type_name("DIR");
    simulateCommand
        ->add_option("--config", simulateConfig, "settings folder (temporary settings by default)")
        ->type_name("DIR");
    simulateCommand->add_option("SCRIPT", script, "the script; - or none for standard input");
    simulateCommand->footer(kSimulateScript);
    versioned(simulateCommand);

    std::optional<std::string> configFolder;
    bool asString = false, asBool = false, asInt = false, asDouble = false, asArray = false;
    std::vector<std::string> configWords;
    CLI::App* configCommand = app.add_subcommand(
        "config",
        "Reads or edits the user defaults (DIR/defaults.json with --config): get KEY | set "
        "[--string|--bool|--int|--double] KEY VALUE | set --array KEY [VALUE...] | unset KEY | "
        "list. set stores true and false as Booleans and anything else as a string unless a type "
        "option says otherwise.");
    configCommand->add_option("--config", configFolder, "settings folder")->type_name("DIR");
    configCommand->add_flag("--string", asString, "set: the value is a string");
    configCommand->add_flag("--bool", asBool, "set: the value is true or false");
    configCommand->add_flag("--int", asInt, "set: the value is a whole number");
    configCommand->add_flag("--double", asDouble, "set: the value is a number");
    configCommand->add_flag("--array", asArray, "set: the values are a list of strings");
    configCommand->add_option("WORDS", configWords, "the action, the key and the values");
    versioned(configCommand);

    BackupArguments backup;
    CLI::App* backupCommand = app.add_subcommand(
        "backup",
        "Writes the snippets, their images and the QR account (\"qr.*\" keys) to one archive "
        "file (export), imports an archive, adding its snippets (--merge) or replacing the "
        "snippets and the QR account after a safety copy in the data folder (--replace), or "
        "shows what an archive holds (inspect).");
    backupCommand->add_option("ACTION", backup.action, "export, import or inspect")
        ->required()
        ->check(CLI::IsMember({"export", "import", "inspect"}));
    backupCommand->add_option("FILE", backup.file, "the archive; - for standard input or output")
        ->required()
        ->type_name("FILE");
    backupCommand->add_flag("--merge", backup.merge, "import: add the archive's snippets");
    backupCommand->add_flag("--replace", backup.replace, "import: replace the snippets");
    backupCommand->add_option("--data", backup.data, "snippet folder (the user's own by default)")
        ->type_name("DIR");
    backupCommand
        ->add_option("--config", backup.config, "settings folder (the user's own by default)")
        ->type_name("DIR");
    versioned(backupCommand);

    QrArguments qr;
    CLI::App* qrCommand = app.add_subcommand(
        "qr",
        "Generates a verified transfer QR for the stored account (\"qr.*\" keys) and writes it "
        "as PNG. The memo is TEXT, else the next greeting when qr.randomMemo is on, else "
        "qr.defaultMemo. qr.directoryURL and qr.imageURL override the bank directory and image "
        "service base URLs.");
    qrCommand->add_option("--out", qr.out,
                          "the PNG file (default halvora-qr.png; - for standard output)");
    qrCommand->add_option("--memo", qr.memo, "the transfer's memo");
    qrCommand->add_option("--config", qr.config, "settings folder")->type_name("DIR");
    versioned(qrCommand);

    std::optional<std::string> doctorData, doctorConfig;
    CLI::App* doctorCommand = app.add_subcommand(
        "doctor",
        "Checks what typing needs (input framework, the Halvora addon, halvora-desktop, the "
        "input-method environment, display, clipboard tools, folders) and says what to fix. "
        "Exits with status 1 when typing cannot work.");
    doctorCommand->add_option("--data", doctorData, "snippet folder to check")->type_name("DIR");
    doctorCommand->add_option("--config", doctorConfig, "settings folder to check")
        ->type_name("DIR");
    versioned(doctorCommand);

    // Words after "--" are the command's words, whatever they look like; the
    // parser takes what comes before.
    std::vector<std::string> afterDashes;
    int parsedCount = argc;
    if (argc > 1 &&
        (std::string_view(argv[1]) == "compose" || std::string_view(argv[1]) == "config")) {
        for (int i = 2; i < argc; ++i) {
            if (std::string_view(argv[i]) == "--") {
                parsedCount = i;
                afterDashes.assign(argv + i + 1, argv + argc);
                break;
            }
        }
    }
    try {
        app.parse(parsedCount, argv);
    } catch (const CLI::CallForHelp&) {
        writeOut(app.help());
        return 0;
    } catch (const CLI::CallForAllHelp&) {
        writeOut(app.help("", CLI::AppFormatMode::All));
        return 0;
    } catch (const CLI::CallForVersion& version) {
        writeOut(std::string(version.what()) + "\n");
        return 0;
    } catch (const CLI::ParseError& error) {
        std::string where;
        for (const CLI::App* command : app.get_subcommands()) {
            where = command->get_name() + ": ";
        }
        std::fprintf(stderr, "halvora: %s%s (see 'halvora --help')\n", where.c_str(), error.what());
        return 2;
    }

    if (composeCommand->parsed()) {
        words.insert(words.end(), afterDashes.begin(), afterDashes.end());
        return runCompose(compose, words);
    }
    if (simulateCommand->parsed()) {
        if (simulateData) {
            simulate.dataFolder = fs::path(*simulateData);
        }
        if (simulateConfig) {
            simulate.configFolder = fs::path(*simulateConfig);
        }
        return runSimulate(simulate, script);
    }
    if (configCommand->parsed()) {
        std::vector<std::string> args;
        folderArguments(args, "--config", configFolder);
        const std::pair<bool, const char*> types[] = {{asString, "--string"},
                                                      {asBool, "--bool"},
                                                      {asInt, "--int"},
                                                      {asDouble, "--double"},
                                                      {asArray, "--array"}};
        for (const auto& [set, option] : types) {
            if (set) {
                args.push_back(option);
            }
        }
        args.push_back("--");
        args.insert(args.end(), configWords.begin(), configWords.end());
        args.insert(args.end(), afterDashes.begin(), afterDashes.end());
        return halvora::cli::runConfigCommand(views(args), std::cout, std::cerr);
    }
    if (backupCommand->parsed()) {
        return runBackup(backup);
    }
    if (qrCommand->parsed()) {
        return runQr(qr);
    }
    if (doctorCommand->parsed()) {
        const auto folder = [](const std::optional<std::string>& f) {
            return f ? std::optional<fs::path>(*f) : std::nullopt;
        };
        const halvora::platform::posix::PosixSystemProbe probe;
        return halvora::cli::printDoctorReport(
            halvora::cli::diagnose(
                halvora::cli::gatherDoctorFacts(probe, folder(doctorData), folder(doctorConfig))),
            std::cout);
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const int status = run(argc, argv);
    // Output that could not be written is a failure, whatever the command did.
    if (!outputWritten()) {
        return 1;
    }
    return status;
}
