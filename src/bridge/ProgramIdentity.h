#pragma once

#include <string>
#include <string_view>

namespace halvora::bridge::ProgramIdentity {

/// The desktop-style application identifier ("org.mozilla.firefox") of the
/// program an input context belongs to, as the input framework names it
/// ("firefox", "gnome-terminal-server", "/usr/bin/code"). The identifiers
/// stand in for bundle identifiers: the application-mode lists and the
/// remembered modes are keyed by them. A program without a known
/// identifier keeps its own name (without a directory); an empty name gives
/// an empty identifier.
std::string applicationIdentifier(std::string_view program);

/// Whether the program is a terminal emulator, where the paste shortcut is
/// Ctrl+Shift+V rather than Ctrl+V.
bool isTerminal(std::string_view program);

/// Whether the program reports the text around the caret but does not apply
/// surrounding-text deletions in order with commits (Gecko: Firefox,
/// Thunderbird), so that words must go to it as pre-edit text.
bool composesAsPreedit(std::string_view program);

}  // namespace halvora::bridge::ProgramIdentity
