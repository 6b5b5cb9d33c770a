// halvora: the command-line tool over the core.

#include "cli/ComposeSession.h"
#include "text/NfcStreamDecoder.h"
#include "text/Unicode.h"

#include <cstdio>
#include <cstring>
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
    return usageError("unknown command '" + std::string(command) + "'");
}
