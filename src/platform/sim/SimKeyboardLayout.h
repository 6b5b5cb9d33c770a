#pragma once

#include "platform/KeyEvent.h"

#include <optional>
#include <string>

namespace halvora::platform::sim {

/// The US keyboard layout: which key types which character, and the text a
/// key event carries when the system translates its key code.
namespace SimKeyboardLayout {

struct KeyStroke {
    KeyCode keyCode = 0;
    bool shift = false;
};

/// The key (and whether Shift is needed) that types `c`; nothing for
/// characters the layout has no key for.
std::optional<KeyStroke> keyFor(char32_t c);

/// The text a key types: printable characters for character keys, the
/// control characters the system reports for Return ("\r"), Tab, Backspace
/// (DEL), Escape and Enter, and "" for keys without text.
std::string textFor(KeyCode keyCode, bool shift);

}  // namespace SimKeyboardLayout

}  // namespace halvora::platform::sim
