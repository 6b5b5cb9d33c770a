#pragma once

// The words of the user-visible texts that name things of the desktop the
// program runs on: its name, how it writes keyboard shortcuts, how keys
// reach the program, where it starts programs at login. Every other word of
// those texts is the program's own and the same everywhere. The adapter that
// assembles the platform chooses the set; the core only reads it.

#include "platform/KeyEvent.h"

#include <string>
#include <string_view>

namespace halvora::platform {

struct DesktopWords {
    /// How a shortcut is written.
    enum class ShortcutStyle {
        /// The modifiers' symbols in the order ⌃⌥⇧⌘, then the key, with
        /// nothing between them: "⌥⌘K".
        symbols,
        /// The modifiers' names in the order Ctrl, Shift, Alt, Super, each
        /// followed by "+", then the key: "Alt+Super+K".
        names,
    };

    ShortcutStyle shortcutStyle = ShortcutStyle::symbols;
    /// The modifiers of the platform's paste shortcut (with V).
    EventFlags pasteModifiers = eventFlags::command;

    /// The launch-at-login toggle of the settings page.
    std::string launchAtLoginTitle;
    /// Shown under it while the login item waits for the user's approval.
    std::string loginApprovalMessage;
    /// The about page's line under the version.
    std::string aboutTagline;
    /// The status menu's header while the program cannot see the keys.
    std::string keystrokesUnavailableTitle;
    /// The status menu's item that leads the user to let the keys through.
    std::string openKeystrokesHelpTitle;

    /// The shortcut of `key` (as printed on the keyboard: "K", "0", ";")
    /// held with `modifiers` (Control, Option, Shift, Command; other flags
    /// are not shown).
    std::string shortcut(EventFlags modifiers, std::string_view key) const;
    /// Option and Command with the key: the modifiers of every hot key of
    /// the program.
    std::string optionCommand(std::string_view key) const {
        return shortcut(eventFlags::option | eventFlags::command, key);
    }
    /// The platform's paste shortcut.
    std::string pasteShortcut() const { return shortcut(pasteModifiers, "V"); }

    /// The words of the desktop whose names the texts were first written
    /// with: the Mac's. The simulated desktop speaks them too.
    static const DesktopWords& mac();
    /// A Linux desktop's words: Option is Alt and Command is Super (where
    /// the hot-key adapters bind them), pasting is Ctrl+V, keys arrive
    /// through the input-method framework.
    static const DesktopWords& linuxDesktop();
};

}  // namespace halvora::platform
