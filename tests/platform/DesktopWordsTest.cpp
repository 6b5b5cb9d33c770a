#include "platform/DesktopWords.h"

#include <gtest/gtest.h>

namespace halvora::platform {
namespace {

namespace flags = eventFlags;

TEST(DesktopWordsTest, ShortcutsAreWrittenTheDesktopsWay) {
    const DesktopWords& mac = DesktopWords::mac();
    const DesktopWords& onLinux = DesktopWords::linuxDesktop();
    const struct {
        const DesktopWords& words;
        EventFlags modifiers;
        const char* key;
        const char* expected;
    } cases[] = {
        {mac, flags::option | flags::command, "K", "⌥⌘K"},
        {onLinux, flags::option | flags::command, "K", "Alt+Super+K"},
        {mac, flags::command | flags::shift | flags::control | flags::option, "0", "⌃⌥⇧⌘0"},
        {onLinux, flags::command | flags::shift | flags::control | flags::option, "0",
         "Ctrl+Shift+Alt+Super+0"},
        // Locks and the keypad are not part of how a shortcut is written.
        {onLinux, flags::capsLock | flags::numericPad | flags::control, "V", "Ctrl+V"},
        {mac, 0, ";", ";"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.words.shortcut(c.modifiers, c.key), c.expected);
    }
    EXPECT_EQ(mac.optionCommand(";"), "⌥⌘;");
    EXPECT_EQ(onLinux.optionCommand(";"), "Alt+Super+;");
    EXPECT_EQ(mac.pasteShortcut(), "⌘V");
    EXPECT_EQ(onLinux.pasteShortcut(), "Ctrl+V");
}

}  // namespace
}  // namespace halvora::platform
