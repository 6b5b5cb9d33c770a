#include "app/AppShell.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <vector>

namespace halvora::app {
namespace {

using platform::MenuItem;

constexpr platform::EventFlags kOptionCommand =
    platform::eventFlags::option | platform::eventFlags::command;

/// A compact picture of a menu: "-" for a separator, "(title)" for a
/// disabled item, the title otherwise.
std::vector<std::string> outline(const platform::StatusMenu& menu) {
    std::vector<std::string> lines;
    for (const auto& item : menu.items) {
        if (item.separator) {
            lines.emplace_back("-");
        } else {
            lines.push_back(item.enabled ? item.title : "(" + item.title + ")");
        }
    }
    return lines;
}

StatusSnapshot running() {
    StatusSnapshot state;
    state.isRunning = true;
    return state;
}

struct TitleCase {
    const char* name;
    StatusSnapshot state;
    std::string title;
    std::string toolTip;
};

TEST(StatusMenuTest, TitleAndToolTipFollowTheFirstRuleThatApplies) {
    const std::string idle = "Halvora Independent Beta";
    const std::string offer = "Nhấn ⌥⌘; để dùng gợi ý sửa lỗi vừa hiện";

    auto conflictWhileBusy = running();
    conflictWhileBusy.conflictingInputApp = "OpenKey";
    conflictWhileBusy.qrBusy = true;
    conflictWhileBusy.suggestionReplacement = "mới";

    auto busy = running();
    busy.qrBusy = true;
    busy.qrFailed = true;
    auto busyWithOffer = busy;
    busyWithOffer.suggestionReplacement = "mới";

    auto failed = running();
    failed.qrFailed = true;
    failed.qrStatus = "Không tạo được QR";

    auto offered = running();
    offered.suggestionReplacement = "mới";
    offered.enabled = false;

    auto english = running();
    english.enabled = false;

    const std::vector<TitleCase> cases = {
        {"conflict wins over everything", conflictWhileBusy, "Vi ⏸",
         "Halvora tạm dừng vì OpenKey đang chạy"},
        {"generation running", busy, "QR…", idle},
        {"busy keeps the offer's tooltip", busyWithOffer, "QR…", offer},
        {"generation failed", failed, "QR !", idle},
        {"suggestion on offer, even in English", offered, "Vi → mới?", offer},
        {"Vietnamese", running(), "Vi", idle},
        {"English", english, "En", idle},
    };
    for (const auto& c : cases) {
        const auto menu = buildStatusMenu(c.state, platform::DesktopWords::mac());
        EXPECT_EQ(menu.title, c.title) << c.name;
        EXPECT_EQ(menu.toolTip, c.toolTip) << c.name;
    }
}

struct MenuCase {
    const char* name;
    StatusSnapshot state;
    std::vector<std::string> items;
};

TEST(StatusMenuTest, ItemsFollowTheControllerState) {
    auto notRunning = running();
    notRunning.isRunning = false;

    auto conflict = notRunning;
    conflict.conflictingInputApp = "Halvora Beta";

    auto failed = running();
    failed.qrFailed = true;
    failed.qrStatus = "Máy chủ QR không phản hồi";

    auto failedWithoutStatus = running();
    failedWithoutStatus.qrFailed = true;

    auto statusWithoutFailure = running();
    statusWithoutFailure.qrStatus = "Đã dán QR";

    auto english = running();
    english.enabled = false;

    const std::vector<MenuCase> cases = {
        {"running",
         running(),
         {"Chuyển sang tiếng Anh", "-", "Tìm và dán mẫu…", "Công cụ văn bản…", "-", "Cài đặt…",
          "Thoát"}},
        {"no permission",
         notRunning,
         {"(Cần cấp quyền Trợ năng)", "-", "Chuyển sang tiếng Anh", "-", "Tìm và dán mẫu…",
          "Công cụ văn bản…", "-", "Cài đặt…", "Mở quyền Trợ năng…", "Thoát"}},
        {"conflict hides the permission item",
         conflict,
         {"(Halvora Beta đang chạy — Halvora tạm dừng)", "-", "Chuyển sang tiếng Anh", "-",
          "Tìm và dán mẫu…", "Công cụ văn bản…", "-", "Cài đặt…", "Thoát"}},
        {"QR failure shows its status",
         failed,
         {"(Máy chủ QR không phản hồi)", "-", "Chuyển sang tiếng Anh", "-", "Tìm và dán mẫu…",
          "Công cụ văn bản…", "-", "Cài đặt…", "Thoát"}},
        {"QR failure without a status",
         failedWithoutStatus,
         {"-", "Chuyển sang tiếng Anh", "-", "Tìm và dán mẫu…", "Công cụ văn bản…", "-", "Cài đặt…",
          "Thoát"}},
        {"a status alone is not shown",
         statusWithoutFailure,
         {"Chuyển sang tiếng Anh", "-", "Tìm và dán mẫu…", "Công cụ văn bản…", "-", "Cài đặt…",
          "Thoát"}},
        {"English",
         english,
         {"Chuyển sang tiếng Việt", "-", "Tìm và dán mẫu…", "Công cụ văn bản…", "-", "Cài đặt…",
          "Thoát"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(outline(buildStatusMenu(c.state, platform::DesktopWords::mac())), c.items)
            << c.name;
    }
}

TEST(StatusMenuTest, ItemsCarryTheirActionsAndKeyEquivalents) {
    auto state = running();
    state.isRunning = false;
    const auto menu = buildStatusMenu(state, platform::DesktopWords::mac());

    struct Expected {
        std::string title;
        MenuAction action;
        std::string key;
        platform::EventFlags modifiers;
    };
    const std::vector<Expected> expected = {
        {"Cần cấp quyền Trợ năng", MenuAction::none, "", 0},
        {"Chuyển sang tiếng Anh", MenuAction::toggleMode, "0", kOptionCommand},
        {"Tìm và dán mẫu…", MenuAction::openPickerFromMenu, "k", kOptionCommand},
        {"Công cụ văn bản…", MenuAction::openTextTools, "", 0},
        {"Cài đặt…", MenuAction::openPreferences, "", 0},
        {"Mở quyền Trợ năng…", MenuAction::openAccessibility, "", 0},
        {"Thoát", MenuAction::quit, "", 0},
    };
    std::vector<Expected> actual;
    for (const MenuItem& item : menu.items) {
        if (!item.separator) {
            actual.push_back({item.title, static_cast<MenuAction>(item.action), item.keyEquivalent,
                              item.keyEquivalentModifiers});
        }
    }
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].title, expected[i].title);
        EXPECT_EQ(actual[i].action, expected[i].action) << expected[i].title;
        EXPECT_EQ(actual[i].key, expected[i].key) << expected[i].title;
        EXPECT_EQ(actual[i].modifiers, expected[i].modifiers) << expected[i].title;
    }
}

}  // namespace
}  // namespace halvora::app

namespace halvora::app {
namespace {

TEST(StatusMenuTest, TheDesktopsWordsNameThePermissionAndTheShortcut) {
    StatusSnapshot state;
    state.isRunning = false;
    state.suggestionReplacement = "mới";
    const struct {
        const platform::DesktopWords& words;
        const char* header;
        const char* help;
        const char* toolTip;
    } cases[] = {
        {platform::DesktopWords::mac(), "Cần cấp quyền Trợ năng", "Mở quyền Trợ năng…",
         "Nhấn ⌥⌘; để dùng gợi ý sửa lỗi vừa hiện"},
        {platform::DesktopWords::linuxDesktop(), "Chưa bật bộ gõ Halvora",
         "Mở hướng dẫn bật bộ gõ…", "Nhấn Alt+Super+; để dùng gợi ý sửa lỗi vừa hiện"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        const platform::StatusMenu menu = buildStatusMenu(state, c.words);
        EXPECT_EQ(menu.toolTip, c.toolTip);
        ASSERT_FALSE(menu.items.empty());
        EXPECT_EQ(menu.items.front().title, c.header);
        const auto help = std::find_if(menu.items.begin(), menu.items.end(), [](const auto& item) {
            return item.action == static_cast<int>(MenuAction::openAccessibility);
        });
        ASSERT_NE(help, menu.items.end());
        EXPECT_EQ(help->title, c.help);
    }
}

}  // namespace
}  // namespace halvora::app
