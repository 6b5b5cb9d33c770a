// halvora-desktop: the Qt program around the application shell.

#include "bridge/BridgeProtocol.h"
#include "desktop/DemoMode.h"
#include "desktop/DesktopApplication.h"
#include "desktop/SingleInstance.h"

#include "platform/qt/BridgeKeystrokeSource.h"

#include <QApplication>
#include <QDBusConnection>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <QCommandLineParser>
#include <QIcon>
#include <QStringList>

#include <filesystem>
#include <optional>
#include <system_error>

#ifndef HALVORA_VERSION
#define HALVORA_VERSION "0"
#endif
#ifndef HALVORA_INSTALLED_PROGRAM
#define HALVORA_INSTALLED_PROGRAM ""
#endif
#ifndef HALVORA_INSTALLED_README
#define HALVORA_INSTALLED_README ""
#endif
#ifndef HALVORA_DOCDIR
#define HALVORA_DOCDIR "share/doc/halvora"
#endif
#ifndef HALVORA_PROJECT_URL
#define HALVORA_PROJECT_URL ""
#endif
#ifndef HALVORA_APP_ID
#define HALVORA_APP_ID "halvora-desktop"
#endif

namespace {

constexpr const char* kDescription =
    "Runs Halvora on the desktop: the status item (or, without a tray, the\n"
    "workspace window's sidebar), the workspace window, the snippet picker and\n"
    "the quick-reply prompt, the global hot keys Alt+Super+; and Alt+Super+K.\n"
    "Keys come from the Halvora input method of fcitx5 over the session bus.";

constexpr const char* kEpilogue =
    "\n"
    "Demonstration (screenshots, trying the panels without a chat): --show VIEW\n"
    "is picker, prompt, picker-from-menu or workspace[:PAGE] with PAGE one of\n"
    "snippets, textTools, quickReplies, qr, backup, settings, about.\n"
    "\n"
    "Qt's own options (-platform NAME, -display DISPLAY, -style NAME,\n"
    "-qwindowgeometry GEOMETRY) are passed on to Qt.\n"
    "\n"
    "Exit status:\n"
    "  0  the program ran and quit, or the running one was asked to show its\n"
    "     window\n"
    "  1  the help or version could not be written\n"
    "  2  the command line is wrong\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "halvora-desktop: %s (see 'halvora-desktop --help')\n", message.c_str());
    return 2;
}

/// Writes text to standard output; false (with a message) when it cannot be
/// written, a full disk for example.
bool writeOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        std::fprintf(stderr, "halvora-desktop: cannot write the output: %s\n",
                     std::strerror(errno));
        return false;
    }
    return true;
}

bool isFile(const std::string& path) {
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

/// What "Mở hướng dẫn bật bộ gõ…" opens: the installed README, else the
/// project's page.
std::string defaultHelpUrl() {
    // Installed under the configured prefix, or under the one it was
    // installed to after all (bin/..).
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::string relative =
        error ? std::string()
              : (self.parent_path().parent_path() / HALVORA_DOCDIR / "README.md").string();
    for (const std::string& readme : {std::string(HALVORA_INSTALLED_README), relative}) {
        if (isFile(readme)) {
            return "file://" + readme;
        }
    }
    return HALVORA_PROJECT_URL;
}

/// The program the autostart entry starts: the installed one whenever it
/// exists, so that an entry made from a build tree still starts the program
/// the package keeps up to date.
std::filesystem::path autostartProgram(const char* argv0) {
    if (isFile(HALVORA_INSTALLED_PROGRAM)) {
        return HALVORA_INSTALLED_PROGRAM;
    }
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path(argv0) : self;
}

}  // namespace

int main(int argc, char** argv) {
    halvora::desktop::DesktopOptions options;
    options.inputMethodHelpUrl = defaultHelpUrl();
    options.autostartProgram = autostartProgram(argv[0]);
    halvora::desktop::DemoOptions demo;

    // Parsed before Qt starts, so that --help and --version work without a
    // display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(kDescription));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({"h", "help"}, "Shows this text.");
    const QCommandLineOption version({"V", "version"}, "Shows the version.");
    const QCommandLineOption data(
        "data", "Snippet folder (default $XDG_DATA_HOME/HalvoraIndependentBeta).", "DIR");
    const QCommandLineOption config(
        "config", "Folder of defaults.json (default $XDG_CONFIG_HOME/HalvoraIndependentBeta).",
        "DIR");
    const QCommandLineOption helpUrl(
        "help-url", "Page \"Mở hướng dẫn bật bộ gõ…\" opens (default: the installed README).",
        "URL");
    const QCommandLineOption show("show", "Demonstration: show VIEW (see below).", "VIEW");
    const QCommandLineOption query(
        "query", "Picker or list page demonstration: search text typed in.", "TEXT");
    const QCommandLineOption act(
        "act", "List page demonstration: add an item (add) or delete the selected one (delete).",
        "ACTION");
    const QCommandLineOption down("down", "Picker demonstration: arrow-down presses.", "N");
    const QCommandLineOption fill("fill", "Prompt demonstration: a field typed in (repeatable).",
                                  "NAME=VALUE");
    const QCommandLineOption screenshot("screenshot", "Save the shown window as PNG, then quit.",
                                        "FILE.png");
    QList<QCommandLineOption> qtOptions = {{"platform", "", "NAME"},
                                           {"display", "", "DISPLAY"},
                                           {"style", "", "NAME"},
                                           {"qwindowgeometry", "", "GEOMETRY"}};
    for (QCommandLineOption& option : qtOptions) {
        option.setFlags(QCommandLineOption::HiddenFromHelp);
    }
    parser.addOptions(
        {help, version, data, config, helpUrl, show, query, act, down, fill, screenshot});
    parser.addOptions(qtOptions);
    if (!parser.parse(arguments)) {
        return usageError(parser.errorText().toStdString());
    }
    if (!parser.positionalArguments().isEmpty()) {
        return usageError("unexpected argument '" +
                          parser.positionalArguments().first().toStdString() + "'");
    }
    if (parser.isSet(help)) {
        QString text = parser.helpText();
        text.replace(QStringLiteral("<executable_name>"), QStringLiteral("halvora-desktop"));
        text.replace(QString::fromLocal8Bit(argv[0]), QStringLiteral("halvora-desktop"));
        return writeOut(text.toStdString() + kEpilogue) ? 0 : 1;
    }
    if (parser.isSet(version)) {
        return writeOut(std::string("halvora-desktop ") + HALVORA_VERSION + "\n") ? 0 : 1;
    }
    if (parser.isSet(data)) {
        options.dataFolder = parser.value(data).toStdString();
    }
    if (parser.isSet(config)) {
        options.configFolder = parser.value(config).toStdString();
    }
    if (parser.isSet(helpUrl)) {
        options.inputMethodHelpUrl = parser.value(helpUrl).toStdString();
    }
    if (parser.isSet(show)) {
        const std::string value = parser.value(show).toStdString();
        if (!halvora::desktop::parseDemoShow(value, demo)) {
            return usageError("--show: unknown view '" + value + "'");
        }
    }
    if (parser.isSet(query)) {
        demo.query = parser.value(query).toStdString();
    }
    if (parser.isSet(act)) {
        const std::string value = parser.value(act).toStdString();
        if (!halvora::desktop::parseDemoAct(value, demo)) {
            return usageError("--act: unknown action '" + value + "'");
        }
    }
    if (parser.isSet(down)) {
        bool ok = false;
        const int n = parser.value(down).toInt(&ok);
        if (!ok || n < 0 || n > 1000) {
            return usageError("--down needs a number");
        }
        demo.downPresses = n;
    }
    for (const QString& value : parser.values(fill)) {
        const std::string text = value.toStdString();
        const auto equals = text.find('=');
        if (equals == std::string::npos) {
            return usageError("--fill needs NAME=VALUE");
        }
        demo.fills.emplace_back(text.substr(0, equals), text.substr(equals + 1));
    }
    if (parser.isSet(screenshot)) {
        demo.screenshot = parser.value(screenshot).toStdString();
    }

    QApplication application(argc, argv);
    // The application id names the desktop entry, the metainfo and the icon;
    // as the application name it is also the X11 window class.
    QApplication::setApplicationName(QStringLiteral(HALVORA_APP_ID));
    QApplication::setApplicationVersion(QStringLiteral(HALVORA_VERSION));
    QApplication::setApplicationDisplayName(QStringLiteral("Halvora Independent Beta"));
    QApplication::setDesktopFileName(QStringLiteral(HALVORA_APP_ID));
    // The installed hicolor icon, for windows and task switchers.
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(HALVORA_APP_ID)));
    // A status-item program: closing the workspace window keeps it running.
    QApplication::setQuitOnLastWindowClosed(false);

    // A demonstration runs beside the real program and takes nothing from it:
    // no single-instance socket, no keystroke bridge.
    const bool demonstration =
        demo.view != halvora::desktop::DemoOptions::View::none || demo.screenshot.has_value();

    // Started again while running: the running one shows its window instead.
    halvora::desktop::SingleInstance instance;
    if (!demonstration && instance.notifyRunningInstance()) {
        return 0;
    }

    // Keys come from the input-method addon over the bridge's socket. Without
    // a session bus, or while another desktop serves the bridge, the program
    // runs without keystrokes and its menu asks for the input method.
    std::unique_ptr<halvora::platform::qt::BridgeKeystrokeSource> keystrokes;
    if (!demonstration) {
        keystrokes = std::make_unique<halvora::platform::qt::BridgeKeystrokeSource>(
            QDBusConnection::sessionBus(), "halvora-desktop",
            halvora::desktop::DesktopApplication::kBundleIdentifier,
            halvora::bridge::protocol::socketPath());
        std::string bridgeError;
        if (!keystrokes->start(&bridgeError)) {
            std::fprintf(stderr, "Halvora keystroke bridge not available: %s\n",
                         bridgeError.c_str());
            keystrokes.reset();
        }
    }
    halvora::desktop::DesktopApplication desktop(options, std::move(keystrokes));
    desktop.launch();
    if (!demonstration) {
        instance.listen([&desktop] { desktop.shell().shouldHandleReopen(); });
    }
    halvora::desktop::DemoMode demoMode(desktop, demo);
    demoMode.start();
    return QApplication::exec();
}
