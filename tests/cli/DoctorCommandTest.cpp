#include "cli/DoctorCommand.h"

#include <gtest/gtest.h>

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
        {"ibus only",
         [](DoctorFacts& f) {
             f.fcitx5Running = false;
             f.ibusRunning = true;
         },
         "Bộ khung gõ", Level::failure},
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

}  // namespace
}  // namespace halvora::cli
