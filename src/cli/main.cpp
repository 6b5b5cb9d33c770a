// halvora: the command-line tool over the core.

#include "cli/BackupCommand.h"
#include "cli/ComposeSession.h"
#include "cli/ConfigCommand.h"
#include "cli/QrCommand.h"
#include "cli/SimulateSession.h"
#include "text/NfcStreamDecoder.h"
#include "text/Unicode.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Usage: halvora <command> [options]\n"
    "\n"
    "Commands:\n"
    "  compose [--vni] [--old-tone] [--trace] [TEXT...]\n"
    "      Types TEXT (or standard input when no TEXT is given) through the\n"
    "      Vietnamese composition engine and prints the result.\n"
    "      --vni       VNI keystrokes instead of Telex\n"
    "      --old-tone  old tone placement (hòa) instead of the modern one (hoà)\n"
    "      --trace     one line per word: raw keys, composed text, commit text,\n"
    "                  escaped flag (0/1) and typo suggestion, tab-separated\n"
    "  simulate [--vni] [--old-tone] [--data DIR] [--config DIR] [SCRIPT]\n"
    "      Runs the keyboard controller on a simulated desktop, driven by the\n"
    "      commands of SCRIPT (or standard input), one per line:\n"
    "        app BUNDLE_ID            bring an application to the front (created\n"
    "                                 on first use with one empty text field)\n"
    "        field KEY=VALUE...       focus a new field; keys: role, subrole,\n"
    "                                 description, title, placeholder\n"
    "        type TEXT                press the keys that type TEXT\n"
    "        key NAME [+shift] [+control] [+option] [+command]\n"
    "                                 one key: a character or space, return,\n"
    "                                 tab, enter, backspace, escape, left, right,\n"
    "                                 up, down, home, end, pageup, pagedown\n"
    "        click | secure on|off | wait MS\n"
    "        picker choose N | picker cancel\n"
    "        prompt fill NAME=VALUE... | prompt submit | prompt cancel\n"
    "        print | expect TEXT | clipboard\n"
    "      Blank lines and lines starting with # are skipped. Alerts are answered\n"
    "      with their first button and printed. At the end the focused field's\n"
    "      text is printed after 'field: '. --data and --config name the snippet\n"
    "      folder and the settings folder (temporary empty ones by default).\n"
    "  config get KEY | set [--string|--bool|--int|--double] KEY VALUE |\n"
    "         set --array KEY [VALUE...] | unset KEY | list   [--config DIR]\n"
    "      Reads or edits the user defaults (DIR/defaults.json with --config).\n"
    "      set stores true and false as Booleans and anything else as a string\n"
    "      unless a type option says otherwise.\n"
    "  qr [--out FILE.png] [--memo TEXT] [--config DIR]\n"
    "      Generates a verified transfer QR for the stored account (\"qr.*\"\n"
    "      keys) and writes it as PNG (default halvora-qr.png). The memo is\n"
    "      TEXT, else the next greeting when qr.randomMemo is on, else\n"
    "      qr.defaultMemo. qr.directoryURL and qr.imageURL override the bank\n"
    "      directory and image service base URLs.\n"
    "  backup export FILE | import FILE --merge|--replace | inspect FILE\n"
    "         [--data DIR] [--config DIR]\n"
    "      Writes the snippets, their images and the QR account (\"qr.*\" keys)\n"
    "      to one archive file, imports an archive (adding its snippets, or\n"
    "      replacing the snippets and the QR account after a safety copy in the\n"
    "      data folder), or shows what an archive holds. --data and --config\n"
    "      name the snippet folder and the settings folder (the user's own by\n"
    "      default).\n"
    "  --help      Shows this text.\n";

void writeOut(const std::string& s) {
    if (!s.empty()) {
        std::fwrite(s.data(), 1, s.size(), stdout);
    }
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "halvora: %s (see 'halvora --help')\n", message.c_str());
    return 2;
}

int runCompose(const std::vector<std::string_view>& args) {
    halvora::cli::ComposeOptions options;
    std::vector<std::string_view> words;
    bool optionsEnded = false;
    for (std::string_view arg : args) {
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "--vni") {
                options.vni = true;
            } else if (arg == "--old-tone") {
                options.oldTone = true;
            } else if (arg == "--trace") {
                options.trace = true;
            } else if (arg == "--help" || arg == "-h") {
                writeOut(kUsage);
                return 0;
            } else {
                return usageError("compose: unknown option '" + std::string(arg) + "'");
            }
            continue;
        }
        words.push_back(arg);
    }

    if (!words.empty()) {
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
        return std::fflush(stdout) == 0 ? 0 : 1;
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
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int runSimulate(const std::vector<std::string_view>& args) {
    halvora::cli::SimulateOptions options;
    std::optional<std::string> scriptPath;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--vni") {
            options.vni = true;
        } else if (arg == "--old-tone") {
            options.oldTone = true;
        } else if (arg == "--data" || arg == "--config") {
            if (i + 1 >= args.size()) {
                return usageError("simulate: " + std::string(arg) + " needs a folder");
            }
            (arg == "--data" ? options.dataFolder : options.configFolder) =
                std::filesystem::path(args[++i]);
        } else if (arg == "--help" || arg == "-h") {
            writeOut(kUsage);
            return 0;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("simulate: unknown option '" + std::string(arg) + "'");
        } else if (scriptPath) {
            return usageError("simulate: only one SCRIPT may be given");
        } else {
            scriptPath = std::string(arg);
        }
    }

    std::ifstream file;
    if (scriptPath) {
        file.open(*scriptPath);
        if (!file) {
            std::fprintf(stderr, "halvora: simulate: cannot open %s: %s\n", scriptPath->c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    std::istream& script = scriptPath ? static_cast<std::istream&>(file) : std::cin;

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
    std::cout.flush();
    return std::cout ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const std::string_view command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        writeOut(kUsage);
        return 0;
    }
    if (command == "compose") {
        return runCompose(args);
    }
    if (command == "simulate") {
        return runSimulate(args);
    }
    if (command == "config") {
        return halvora::cli::runConfigCommand(args, std::cout, std::cerr);
    }
    if (command == "backup") {
        return halvora::cli::runBackupCommand(args, std::cout, std::cerr);
    }
    if (command == "qr") {
        return halvora::cli::runQrCommand(args, std::cout, std::cerr);
    }
    return usageError("unknown command '" + std::string(command) + "'");
}
