#include "bridge/ProgramIdentity.h"

#include <algorithm>
#include <array>
#include <utility>

namespace halvora::bridge::ProgramIdentity {
namespace {

// Executable names as input frameworks report them, with the identifiers
// the programs use for their desktop entries (Flathub and upstream).
constexpr std::array<std::pair<std::string_view, std::string_view>, 44> knownPrograms{{
    // Browsers
    {"firefox", "org.mozilla.firefox"},
    {"firefox-esr", "org.mozilla.firefox"},
    {"chromium", "org.chromium.Chromium"},
    {"chromium-browser", "org.chromium.Chromium"},
    {"chrome", "com.google.Chrome"},
    {"google-chrome", "com.google.Chrome"},
    {"google-chrome-stable", "com.google.Chrome"},
    {"brave", "com.brave.Browser"},
    {"brave-browser", "com.brave.Browser"},
    {"msedge", "com.microsoft.Edge"},
    {"microsoft-edge", "com.microsoft.Edge"},
    {"opera", "com.opera.Opera"},
    {"vivaldi-bin", "com.vivaldi.Vivaldi"},
    {"epiphany", "org.gnome.Epiphany"},
    {"librewolf", "io.gitlab.librewolf-community"},
    // Writing
    {"soffice.bin", "org.libreoffice.LibreOffice"},
    {"libreoffice", "org.libreoffice.LibreOffice"},
    {"gedit", "org.gnome.gedit"},
    {"gnome-text-editor", "org.gnome.TextEditor"},
    {"kwrite", "org.kde.kwrite"},
    {"mousepad", "org.xfce.mousepad"},
    {"abiword", "com.abisource.AbiWord"},
    // Terminals
    {"gnome-terminal-server", "org.gnome.Terminal"},
    {"kgx", "org.gnome.Console"},
    {"konsole", "org.kde.konsole"},
    {"xfce4-terminal", "org.xfce.terminal"},
    {"tilix", "com.gexperts.Tilix"},
    {"alacritty", "org.alacritty.Alacritty"},
    {"kitty", "net.kovidgoyal.kitty"},
    {"wezterm-gui", "org.wezfurlong.wezterm"},
    {"foot", "org.codeberg.dnkl.foot"},
    {"xterm", "org.xterm.XTerm"},
    {"terminator", "org.gnome.Terminator"},
    // Code editors
    {"code", "com.visualstudio.code"},
    {"code-oss", "com.visualstudio.code-oss"},
    {"code-insiders", "com.visualstudio.code.insiders"},
    {"codium", "com.vscodium.codium"},
    {"cursor", "com.todesktop.230313mzl4w4u92"},
    {"sublime_text", "com.sublimetext.three"},
    {"zed", "dev.zed.Zed"},
    {"idea", "com.jetbrains.IntelliJ-IDEA-Community"},
    {"pycharm", "com.jetbrains.PyCharm-Community"},
    // Games
    {"steam", "com.valvesoftware.Steam"},
    {"lutris", "net.lutris.Lutris"},
}};

constexpr std::array<std::string_view, 14> terminals{
    "gnome-terminal-server",
    "kgx",
    "konsole",
    "xfce4-terminal",
    "tilix",
    "alacritty",
    "kitty",
    "wezterm-gui",
    "foot",
    "xterm",
    "terminator",
    "urxvt",
    "lxterminal",
    "qterminal",
};

std::string_view baseName(std::string_view program) {
    const std::size_t slash = program.rfind('/');
    return slash == std::string_view::npos ? program : program.substr(slash + 1);
}

}  // namespace

std::string applicationIdentifier(std::string_view program) {
    const std::string_view name = baseName(program);
    const auto known = std::find_if(knownPrograms.begin(), knownPrograms.end(),
                                    [name](const auto& entry) { return entry.first == name; });
    return std::string(known != knownPrograms.end() ? known->second : name);
}

bool isTerminal(std::string_view program) {
    return std::find(terminals.begin(), terminals.end(), baseName(program)) != terminals.end();
}

bool composesAsPreedit(std::string_view program) {
    static constexpr std::array<std::string_view, 6> gecko{
        "firefox", "firefox-esr", "firefox-bin", "thunderbird", "librewolf", "waterfox"};
    return std::find(gecko.begin(), gecko.end(), baseName(program)) != gecko.end();
}

}  // namespace halvora::bridge::ProgramIdentity
