#include "platform/DesktopWords.h"

#include <array>

namespace halvora::platform {

namespace {

struct ModifierWord {
    EventFlags flag;
    std::string_view symbol;
    std::string_view name;
};

// Each style's own order: the Mac's ⌃⌥⇧⌘, the order Linux desktops write
// names in (Ctrl+Shift+V, Alt+Super+K).
constexpr std::array<ModifierWord, 4> kSymbolOrder{{
    {eventFlags::control, "⌃", "Ctrl"},
    {eventFlags::option, "⌥", "Alt"},
    {eventFlags::shift, "⇧", "Shift"},
    {eventFlags::command, "⌘", "Super"},
}};
constexpr std::array<ModifierWord, 4> kNameOrder{{
    {eventFlags::control, "⌃", "Ctrl"},
    {eventFlags::shift, "⇧", "Shift"},
    {eventFlags::option, "⌥", "Alt"},
    {eventFlags::command, "⌘", "Super"},
}};

}  // namespace

std::string DesktopWords::shortcut(EventFlags modifiers, std::string_view key) const {
    std::string text;
    const bool symbols = shortcutStyle == ShortcutStyle::symbols;
    for (const ModifierWord& word : symbols ? kSymbolOrder : kNameOrder) {
        if ((modifiers & word.flag) == 0) {
            continue;
        }
        text += symbols ? word.symbol : word.name;
        if (!symbols) {
            text += '+';
        }
    }
    text += key;
    return text;
}

const DesktopWords& DesktopWords::mac() {
    static const DesktopWords words{
        ShortcutStyle::symbols,
        eventFlags::command,
        "Khởi động Halvora cùng macOS",
        "macOS cần anh cho phép trong System Settings → General → Login Items.",
        "Bộ gõ tiếng Việt, gõ tắt và trả lời nhanh cho macOS.",
        "Cần cấp quyền Trợ năng",
        "Mở quyền Trợ năng…",
    };
    return words;
}

const DesktopWords& DesktopWords::linuxDesktop() {
    static const DesktopWords words{
        ShortcutStyle::names,
        eventFlags::control,
        "Khởi động Halvora khi đăng nhập",
        "Hệ thống cần anh cho phép Halvora trong phần ứng dụng khởi động khi đăng nhập.",
        "Bộ gõ tiếng Việt, gõ tắt và trả lời nhanh cho Linux.",
        "Chưa bật bộ gõ Halvora",
        "Mở hướng dẫn bật bộ gõ…",
    };
    return words;
}

}  // namespace halvora::platform
