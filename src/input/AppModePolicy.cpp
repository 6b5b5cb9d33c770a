#include "input/AppModePolicy.h"

#include "platform/DefaultsKeys.h"
#include "text/Unicode.h"

#include <algorithm>
#include <array>
#include <string>

namespace halvora::input::AppModePolicy {
namespace {

constexpr std::string_view gamesCategory = "public.app-category.games";

// Lower case.
constexpr std::array<std::string_view, 11> vietnameseOn{
    "com.apple.safari",        "com.google.chrome",  "org.mozilla.firefox",
    "com.microsoft.edgemac",   "com.brave.browser",  "company.thebrowser.browser",
    "com.operasoftware.opera", "com.microsoft.word", "com.apple.notes",
    "com.apple.pages",         "com.apple.textedit",
};

constexpr std::array<std::string_view, 11> vietnameseOff{
    "com.apple.terminal",           "com.googlecode.iterm2",
    "dev.warp.warp-stable",         "com.microsoft.vscode",
    "com.microsoft.vscodeinsiders", "com.todesktop.230313mzl4w4u92",
    "com.apple.dt.xcode",           "com.sublimetext.4",
    "com.jetbrains.intellij",       "com.jetbrains.pycharm",
    "com.valvesoftware.steam",
};

// The same kinds of application on Linux, by the identifiers the keystroke
// bridge gives their programs.
constexpr std::array<std::string_view, 12> linuxVietnameseOn{
    "org.chromium.chromium",
    "com.microsoft.edge",
    "com.opera.opera",
    "com.vivaldi.vivaldi",
    "org.gnome.epiphany",
    "io.gitlab.librewolf-community",
    "org.libreoffice.libreoffice",
    "org.gnome.gedit",
    "org.gnome.texteditor",
    "org.kde.kwrite",
    "org.xfce.mousepad",
    "com.abisource.abiword",
};

constexpr std::array<std::string_view, 21> linuxVietnameseOff{
    "org.gnome.terminal",
    "org.gnome.console",
    "org.kde.konsole",
    "org.xfce.terminal",
    "com.gexperts.tilix",
    "org.alacritty.alacritty",
    "net.kovidgoyal.kitty",
    "org.wezfurlong.wezterm",
    "org.codeberg.dnkl.foot",
    "org.xterm.xterm",
    "org.gnome.terminator",
    "com.visualstudio.code",
    "com.visualstudio.code-oss",
    "com.visualstudio.code.insiders",
    "com.vscodium.codium",
    "com.sublimetext.three",
    "dev.zed.zed",
    "com.jetbrains.intellij-idea-community",
    "com.jetbrains.pycharm-community",
    "net.lutris.lutris",
    "com.valvesoftware.steam",
};

template <std::size_t N>
bool listed(const std::array<std::string_view, N>& list, std::string_view id) {
    return std::find(list.begin(), list.end(), id) != list.end();
}

}  // namespace

std::optional<bool> mode(const platform::RunningApplication& app,
                         const platform::UserDefaults& defaults) {
    if (!app.bundleIdentifier) {
        return std::nullopt;
    }
    // The remembered mode is keyed by the identifier exactly as reported.
    if (auto remembered =
            defaults.boolValue(platform::DefaultsKeys::modeKey(*app.bundleIdentifier))) {
        return remembered;
    }
    if (defaults.boolValue(platform::DefaultsKeys::smartAppSwitchingEnabled) == false) {
        return std::nullopt;
    }
    return defaultMode(*app.bundleIdentifier, app.category
                                                  ? std::optional<std::string_view>(*app.category)
                                                  : std::nullopt);
}

std::optional<bool> defaultMode(std::string_view bundleID,
                                std::optional<std::string_view> category) {
    const std::string id = halvora::text::lowercased(bundleID);
    if (listed(vietnameseOn, id) || listed(linuxVietnameseOn, id)) {
        return true;
    }
    if (listed(vietnameseOff, id) || listed(linuxVietnameseOff, id)) {
        return false;
    }
    if (category == gamesCategory) {
        return false;
    }
    return std::nullopt;
}

}  // namespace halvora::input::AppModePolicy
