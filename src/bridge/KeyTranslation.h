#pragma once

// Keys of the X11 key-symbol vocabulary (which fcitx5 and most Linux input
// frameworks use) turned into the virtual key codes and modifier flags of
// platform/KeyEvent.h, and back for the keys the controller posts. Free of
// framework headers so both ends of the bridge and the tests can use it.

#include "platform/KeyEvent.h"

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

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

/// Shifted letters type on the same key as their lower case.
std::uint32_t lowerKeySym(std::uint32_t keySym);

/// The hardware key codes that type key symbols on the user's keyboard, for
/// frameworks whose clients hand forwarded keys back to the display server
/// by code (Wayland, XIM). Learnt from the user's own keys; a key not pressed
/// yet gets its place on a US keyboard.
class HardwareKeyCodes {
  public:
    /// `offset`: what the framework adds to the kernel's key codes (8 for X11
    /// key codes, 0 for the kernel's own).
    explicit HardwareKeyCodes(std::uint32_t offset) : offset_(offset) {}

    void learn(std::uint32_t keySym, std::uint32_t code);
    /// The code that types `keySym`; 0 when unknown.
    std::uint32_t codeFor(std::uint32_t keySym) const;

  private:
    std::uint32_t offset_;
    std::unordered_map<std::uint32_t, std::uint32_t> learned_;
};

}  // namespace halvora::bridge::KeyTranslation
