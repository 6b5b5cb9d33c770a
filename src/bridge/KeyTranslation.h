#pragma once

// Keys of the X11 key-symbol vocabulary (which fcitx5 and most Linux input
// frameworks use) turned into the virtual key codes and modifier flags of
// platform/KeyEvent.h, and back for the keys the controller posts. Free of
// framework headers so both ends of the bridge and the tests can use it.

#include "platform/KeyEvent.h"

#include <cstdint>
#include <optional>
#include <string>

namespace halvora::bridge::KeyTranslation {

/// Modifier state bits as the X11 / fcitx5 key state reports them.
namespace keyStates {
inline constexpr std::uint32_t shift = 1u << 0;
inline constexpr std::uint32_t capsLock = 1u << 1;
inline constexpr std::uint32_t control = 1u << 2;
inline constexpr std::uint32_t alt = 1u << 3;
inline constexpr std::uint32_t super = 1u << 6;
/// GTK's virtual Super and fcitx5's Meta count as Super too.
inline constexpr std::uint32_t super2 = 1u << 26;
inline constexpr std::uint32_t meta = 1u << 28;
}  // namespace keyStates

/// Key symbols the bridge names (X11 values).
namespace keySyms {
inline constexpr std::uint32_t space = 0x20;
inline constexpr std::uint32_t backSpace = 0xff08;
inline constexpr std::uint32_t tab = 0xff09;
inline constexpr std::uint32_t returnKey = 0xff0d;
inline constexpr std::uint32_t escape = 0xff1b;
inline constexpr std::uint32_t keypadEnter = 0xff8d;
inline constexpr std::uint32_t lowerV = 0x76;
}  // namespace keySyms

/// A key the controller does not know by code (F13, Menu, ...): it still
/// reaches the controller, which ends the word on it.
inline constexpr platform::KeyCode unmappedKey = 0xffff;

struct TranslatedKey {
    platform::KeyCode keyCode = 0;
    platform::EventFlags flags = 0;
    /// The text the key types; empty for keys that type nothing.
    std::string text;

    bool operator==(const TranslatedKey&) const = default;
};

/// The key as the controller sees it. `typed` is the framework's own UTF-8
/// for the key (used for characters outside ASCII, from layouts other than
/// US); nothing for a modifier key pressed alone, which the controller never
/// sees on its own.
std::optional<TranslatedKey> fromKeySym(std::uint32_t keySym, std::uint32_t states,
                                        std::string_view typed = {});

/// The key symbol for a key code the controller posts without text (Return,
/// Tab, Space, Backspace, arrows, ...); 0 when there is none.
std::uint32_t keySymFor(platform::KeyCode keyCode);

}  // namespace halvora::bridge::KeyTranslation
