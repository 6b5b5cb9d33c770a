#include "cli/DoctorCommand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

namespace halvora::cli {
namespace {

using Level = DoctorFinding::Level;

DoctorFacts working() {
    DoctorFacts f;
    f.fcitx5Running = true;
    f.addonInstalled = true;
    f.addonLoaded = true;
    f.desktopInstalled = true;
    f.desktopAttached = true;
    f.gtkImModule = "fcitx";
    f.qtImModule = "fcitx";
    f.xmodifiers = "@im=fcitx";
    f.sessionType = "x11";
    f.dataFolder = "/home/u/.local/share/HalvoraIndependentBeta";
    f.dataFolderUsable = true;
    f.configFolder = "/home/u/.config/HalvoraIndependentBeta";
    f.configFolderUsable = true;
    return f;
}

Level levelOf(const std::vector<DoctorFinding>& findings, const std::string& subject) {
    for (const DoctorFinding& finding : findings) {
        if (finding.subject == subject) {
            return finding.level;
        }
    }
    ADD_FAILURE() << "no finding for " << subject;
    return Level::ok;
}

TEST(DoctorTest, EachBrokenPieceIsNamedAndJudged) {
    const struct {
        const char* name;
        void (*change)(DoctorFacts&);
        const char* subject;
        Level level;
    } cases[] = {
        {"no framework", [](DoctorFacts& f) { f.fcitx5Running = false; }, "Bộ khung gõ",
         Level::failure},
        {"ibus only, engine not installed",
         [](DoctorFacts& f) {
             f.fcitx5Running = false;
             f.ibusRunning = true;
         },
         "Bộ gõ IBus", Level::failure},
        {"ibus only, engine not listed",
         [](DoctorFacts& f) {
             f.fcitx5Running = false;
             f.ibusRunning = true;
             f.ibusEngineInstalled = true;
             f.ibusEngineListed = false;
         },
         "Bộ gõ IBus", Level::failure},
        {"ibus with the engine, fcitx variables",
         [](DoctorFacts& f) {
             f.fcitx5Running = false;
             f.ibusRunning = true;
             f.ibusEngineInstalled = true;
             f.ibusEngineListed = true;
         },
         "Biến XMODIFIERS", Level::warning},
        {"addon missing", [](DoctorFacts& f) { f.addonInstalled = false; }, "Phần bổ trợ fcitx5",
         Level::failure},
        {"addon not loaded", [](DoctorFacts& f) { f.addonLoaded = false; }, "Phần bổ trợ fcitx5",
         Level::failure},
        {"addon unknown", [](DoctorFacts& f) { f.addonLoaded.reset(); }, "Phần bổ trợ fcitx5",
         Level::warning},
        {"desktop absent", [](DoctorFacts& f) { f.desktopAttached = false; }, "halvora-desktop",
         Level::failure},
        {"no session bus", [](DoctorFacts& f) { f.desktopAttached.reset(); }, "halvora-desktop",
         Level::failure},
        {"gtk module wrong", [](DoctorFacts& f) { f.gtkImModule = "ibus"; }, "Biến GTK_IM_MODULE",
         Level::warning},
        {"wayland without module",
         [](DoctorFacts& f) {
             f.sessionType = "wayland";
             f.waylandClipboardTools = true;
             f.qtImModule.clear();
         },
         "Biến QT_IM_MODULE", Level::ok},
        {"wayland without wl-clipboard", [](DoctorFacts& f) { f.sessionType = "wayland"; },
         "Bộ nhớ tạm", Level::warning},
        {"no display", [](DoctorFacts& f) { f.sessionType.clear(); }, "Màn hình", Level::warning},
        {"data folder read-only", [](DoctorFacts& f) { f.dataFolderUsable = false; },
         "Thư mục dữ liệu", Level::failure},
        {"no home", [](DoctorFacts& f) { f.configFolder.clear(); }, "Thư mục cài đặt",
         Level::failure},
    };
    for (const auto& c : cases) {
        DoctorFacts facts = working();
        c.change(facts);
        const auto findings = diagnose(facts);
        EXPECT_EQ(levelOf(findings, c.subject), c.level) << c.name;
        EXPECT_EQ(typingCanWork(findings), c.level != Level::failure) << c.name;
    }
}

TEST(DoctorTest, ReportEndsWithTheVerdictAndItsStatus) {
    std::ostringstream good;
    EXPECT_EQ(printDoctorReport(diagnose(working()), good), 0);
    EXPECT_NE(good.str().find("Halvora sẵn sàng để gõ."), std::string::npos);

    DoctorFacts broken = working();
    broken.desktopAttached = false;
    std::ostringstream bad;
    EXPECT_EQ(printDoctorReport(diagnose(broken), bad), 1);
    EXPECT_NE(bad.str().find("[lỗi]  halvora-desktop: halvora-desktop chưa chạy."),
              std::string::npos)
        << bad.str();
    EXPECT_NE(bad.str().find("systemctl --user start halvora-desktop"), std::string::npos);
}

/// A machine made of tables; the bus answers by the method asked.
class FakeProbe final : public platform::SystemProbe {
  public:
    std::set<std::string, std::less<>> processes;
    std::set<std::string, std::less<>> executables;
    bool filesExist = false;
    std::map<std::string, std::string, std::less<>> variables;
    std::set<std::filesystem::path> usableFolders;
    std::map<std::string, std::string> busReplies;  ///< by method name
    mutable std::vector<std::string> asked;

    bool processRunning(std::string_view name) const override { return processes.contains(name); }
    bool executableInPath(std::string_view name) const override {
        return executables.contains(name);
    }
    bool fileExists(const std::filesystem::path&) const override { return filesExist; }
    std::string environment(std::string_view name) const override {
        const auto it = variables.find(name);
        return it == variables.end() ? std::string() : it->second;
    }
    bool folderUsable(const std::filesystem::path& folder) const override {
        return usableFolders.contains(folder);
    }
    std::optional<std::string> commandOutput(const std::vector<std::string>& argv) const override {
        const auto method = std::find_if(argv.begin(), argv.end(), [](const std::string& a) {
            return a.starts_with("org.fcitx.Fcitx.Controller1.") ||
                   a.starts_with("org.freedesktop.DBus.");
        });
        if (argv.empty() || argv[0] != "dbus-send" || method == argv.end()) {
            return std::nullopt;
        }
        asked.push_back(*method);
        const auto reply = busReplies.find(*method);
        return reply == busReplies.end() ? std::nullopt : std::optional(reply->second);
    }
};

TEST(DoctorTest, FactsAreReadFromTheMachine) {
    const std::filesystem::path data = "/home/u/.local/share/HalvoraIndependentBeta";
    const std::filesystem::path config = "/home/u/.config/HalvoraIndependentBeta";
    const std::string loaded =
        "method return\n   array [\n      struct {\n         string \"halvora\"\n";
    const std::string fcitxMethod = "org.fcitx.Fcitx.Controller1.AvailableInputMethods";
    const std::string ownerMethod = "org.freedesktop.DBus.NameHasOwner";
    const struct {
        const char* name;
        void (*machine)(FakeProbe&);
        void (*expect)(DoctorFacts&);
    } cases[] = {
        {"a working Wayland session", [](FakeProbe&) {}, [](DoctorFacts&) {}},
        {"fcitx5 off: it is not asked, and no bus",
         [](FakeProbe& p) {
             p.processes = {"ibus-daemon"};
             p.busReplies.clear();
         },
         [](DoctorFacts& f) {
             f.fcitx5Running = false;
             f.ibusRunning = true;
             f.addonLoaded.reset();
             f.desktopAttached.reset();
         }},
        {"not loaded, not attached, X11, nothing writable",
         [](FakeProbe& p) {
             p.busReplies = {
                 {"org.fcitx.Fcitx.Controller1.AvailableInputMethods", "string \"unikey\""},
                 {"org.freedesktop.DBus.NameHasOwner", "boolean false"}};
             p.variables = {{"DISPLAY", ":0"}};
             p.executables = {"wl-copy"};
             p.filesExist = false;
             p.usableFolders.clear();
         },
         [](DoctorFacts& f) {
             f.addonLoaded = false;
             f.desktopAttached = false;
             f.addonInstalled = false;
             f.ibusEngineInstalled = false;
             f.desktopInstalled = false;
             f.gtkImModule = f.qtImModule = f.xmodifiers = "";
             f.sessionType = "x11";
             f.waylandClipboardTools = false;
             f.dataFolderUsable = f.configFolderUsable = false;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeProbe probe;
        probe.processes = {"fcitx5"};
        probe.executables = {"wl-copy", "wl-paste"};
        probe.filesExist = true;
        probe.variables = {{"GTK_IM_MODULE", "fcitx"},
                           {"QT_IM_MODULE", "fcitx"},
                           {"XMODIFIERS", "@im=fcitx"},
                           {"WAYLAND_DISPLAY", "wayland-0"},
                           {"DISPLAY", ":0"}};
        probe.usableFolders = {data, config};
        probe.busReplies = {{fcitxMethod, loaded}, {ownerMethod, "boolean true"}};
        c.machine(probe);

        DoctorFacts expected = working();
        expected.sessionType = "wayland";
        expected.waylandClipboardTools = true;
        expected.ibusEngineInstalled = true;
        c.expect(expected);
        EXPECT_EQ(gatherDoctorFacts(probe, data, config), expected);
        EXPECT_EQ(std::count(probe.asked.begin(), probe.asked.end(), fcitxMethod),
                  probe.processes.contains("fcitx5") ? 1 : 0);
    }
}

}  // namespace
}  // namespace halvora::cli
