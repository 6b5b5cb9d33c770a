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

#ifndef HALVORA_README_PATH
#define HALVORA_README_PATH ""
#endif

namespace {

constexpr const char* kUsage =
    "Usage: halvora-desktop [options]\n"
    "\n"
    "Runs Halvora on the desktop: the status item (or, without a tray, the\n"
    "workspace window's sidebar), the workspace window, the snippet picker and\n"
    "the quick-reply prompt, the global hot keys Alt+Super+; and Alt+Super+K.\n"
    "\n"
    "Options:\n"
    "  --data DIR        snippet folder (default $XDG_DATA_HOME/HalvoraIndependentBeta)\n"
    "  --config DIR      folder of defaults.json (default\n"
    "                    $XDG_CONFIG_HOME/HalvoraIndependentBeta)\n"
    "  --help-url URL    page \"Mở quyền Trợ năng…\" opens (default: the README's\n"
    "                    section on enabling the input method)\n"
    "\n"
    "Demonstration (screenshots, trying the panels without a chat):\n"
    "  --show picker            the snippet picker over the store\n"
    "  --show prompt            the prompt for the first quick reply with fields\n"
    "  --show workspace[:PAGE]  the workspace window on a page (snippets,\n"
    "                           textTools, quickReplies, qr, backup, settings, about)\n"
    "  --show picker-from-menu  \"Tìm và dán mẫu…\" as chosen from the status menu\n"
    "  --query TEXT             picker: search text typed in\n"
    "  --down N                 picker: arrow-down presses\n"
    "  --fill NAME=VALUE        prompt: a field typed in (repeatable)\n"
    "  --screenshot FILE.png    save the shown window as PNG, then quit\n"
    "  -h, --help               this text\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "halvora-desktop: %s (see 'halvora-desktop --help')\n", message.c_str());
    return 2;
}

std::string defaultHelpUrl() {
    const std::string readme = HALVORA_README_PATH;
    if (readme.empty()) {
        return {};
    }
    return "file://" + readme + "#enabling-the-input-method";
}

}  // namespace

int main(int argc, char** argv) {
    halvora::desktop::DesktopOptions options;
    options.inputMethodHelpUrl = defaultHelpUrl();
    halvora::desktop::DemoOptions demo;

    const std::vector<std::string_view> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                return std::nullopt;
            }
            return std::string(args[++i]);
        };
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        // Qt's own options (-platform, -display, ...) are left to Qt.
        if (arg == "-platform" || arg == "-display" || arg == "-style" ||
            arg == "-qwindowgeometry") {
            ++i;
            continue;
        }
        std::optional<std::string> v;
        if (arg == "--data" || arg == "--config" || arg == "--help-url" || arg == "--show" ||
            arg == "--query" || arg == "--down" || arg == "--fill" || arg == "--screenshot") {
            v = value();
            if (!v) {
                return usageError(std::string(arg) + " needs a value");
            }
        } else {
            return usageError("unknown option '" + std::string(arg) + "'");
        }
        if (arg == "--data") {
            options.dataFolder = *v;
        } else if (arg == "--config") {
            options.configFolder = *v;
        } else if (arg == "--help-url") {
            options.inputMethodHelpUrl = *v;
        } else if (arg == "--show") {
            if (!halvora::desktop::parseDemoShow(*v, demo)) {
                return usageError("--show: unknown view '" + *v + "'");
            }
        } else if (arg == "--query") {
            demo.query = *v;
        } else if (arg == "--down") {
            char* end = nullptr;
            const long n = std::strtol(v->c_str(), &end, 10);
            if (end == v->c_str() || *end != '\0' || n < 0 || n > 1000) {
                return usageError("--down needs a number");
            }
            demo.downPresses = static_cast<int>(n);
        } else if (arg == "--fill") {
            const auto equals = v->find('=');
            if (equals == std::string::npos) {
                return usageError("--fill needs NAME=VALUE");
            }
            demo.fills.emplace_back(v->substr(0, equals), v->substr(equals + 1));
        } else if (arg == "--screenshot") {
            demo.screenshot = *v;
        }
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("halvora-desktop"));
    QApplication::setApplicationDisplayName(QStringLiteral("Halvora Independent Beta"));
    QApplication::setDesktopFileName(QStringLiteral("halvora-desktop"));
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
