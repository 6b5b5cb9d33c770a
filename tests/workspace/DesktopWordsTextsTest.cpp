// The page texts that name the desktop: the Mac's words where the program
// was first written for it, the Linux desktop's where it runs there.

#include "WorkspaceFixture.h"
#include "workspace/AboutViewModel.h"
#include "workspace/SettingsViewModel.h"
#include "workspace/SnippetEditorModel.h"
#include "workspace/TextToolsViewModel.h"

#include <gtest/gtest.h>

namespace halvora::workspace {
namespace {

class DesktopWordsTextsTest : public testing::WorkspaceFixture {};

TEST_F(DesktopWordsTextsTest, PagesSpeakTheDesktopsWords) {
    const struct {
        const platform::DesktopWords& words;
        const char* launchAtLogin;
        const char* approval;
        const char* smartNote;
        const char* hint;
        const char* tagline;
        const char* copied;
        const char* slot;
    } cases[] = {
        {platform::DesktopWords::mac(), "Khởi động Halvora cùng macOS",
         "macOS cần anh cho phép trong System Settings → General → Login Items.",
         "Lựa chọn riêng của từng app được giữ lại khi anh đổi bằng ⌥⌘0.",
         "Đổi bằng ⌥⌘0 trong một app để ghi nhớ lựa chọn riêng của app đó.",
         "Bộ gõ tiếng Việt, gõ tắt và trả lời nhanh cho macOS.",
         "Đã sao chép. Anh có thể dán bằng ⌘V.", "⌥⌘3"},
        {platform::DesktopWords::linuxDesktop(), "Khởi động Halvora khi đăng nhập",
         "Hệ thống cần anh cho phép Halvora trong phần ứng dụng khởi động khi đăng nhập.",
         "Lựa chọn riêng của từng app được giữ lại khi anh đổi bằng Alt+Super+0.",
         "Đổi bằng Alt+Super+0 trong một app để ghi nhớ lựa chọn riêng của app đó.",
         "Bộ gõ tiếng Việt, gõ tắt và trả lời nhanh cho Linux.",
         "Đã sao chép. Anh có thể dán bằng Ctrl+V.", "Alt+Super+3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.launchAtLogin);
        SettingsViewModel settings(keyboard_, desktop_.userDefaults(), desktop_.loginItems(),
                                   desktop_, c.words);
        EXPECT_EQ(settings.launchAtLoginTitle(), c.launchAtLogin);
        EXPECT_EQ(settings.smartSwitchingNote(), c.smartNote);
        EXPECT_EQ(settings.applicationsHint(), c.hint);
        desktop_.loginItems().setStatus(platform::LoginItemStatus::requiresApproval);
        settings.appear();
        EXPECT_EQ(settings.loginMessage(), c.approval);

        EXPECT_EQ(AboutViewModel(desktop_, c.words).tagline(), c.tagline);

        TextToolsViewModel tools(desktop_.userDefaults(), desktop_.pasteboard(), c.words);
        tools.setInput("chào");
        tools.copyResult();
        EXPECT_EQ(tools.message(), c.copied);

        snippets::Snippet snippet;
        snippet.hotkeySlot = 3;
        store_.append(snippet);
        EXPECT_EQ(SnippetEditorModel(store_, snippet.id, c.words).hotkeyTitle(), c.slot);
    }
}

TEST_F(DesktopWordsTextsTest, RememberedApplicationsShowTheDesktopsNameOrTheIdentifier) {
    desktop_.launch("Zalo", "com.vng.zalo");
    SettingsViewModel settings(keyboard_, desktop_.userDefaults(), desktop_.loginItems(), desktop_,
                               platform_.words);
    EXPECT_EQ(settings.applicationLabel("com.vng.zalo"), (platform::ApplicationLabel{"Zalo", ""}));
    EXPECT_EQ(settings.applicationLabel("org.example.Gone"),
              (platform::ApplicationLabel{"org.example.Gone", ""}));
}

}  // namespace
}  // namespace halvora::workspace
