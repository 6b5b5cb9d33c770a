#include "bridge/KeyTranslation.h"

#include "platform/sim/SimKeyboardLayout.h"

#include <linux/input-event-codes.h>

#include <array>
#include <utility>

namespace halvora::bridge::KeyTranslation {
namespace {

namespace codes = platform::keyCodes;
using platform::KeyCode;
using Layout = platform::sim::SimKeyboardLayout::KeyStroke;

// Keys without a character, by X11 symbol.
constexpr std::array<std::pair<std::uint32_t, KeyCode>, 36> namedKeys{{
    {keySyms::backSpace, codes::backspace},
    {keySyms::tab, codes::tab},
    {0xfe20, codes::tab},  // ISO_Left_Tab: Shift+Tab
    {keySyms::returnKey, codes::returnKey},
    {keySyms::escape, codes::escape},
    {keySyms::keypadEnter, codes::keypadEnter},
    {0xff50, codes::home},
    {0xff51, codes::leftArrow},
    {0xff52, codes::upArrow},
    {0xff53, codes::rightArrow},
    {0xff54, codes::downArrow},
    {0xff55, codes::pageUp},
    {0xff56, codes::pageDown},
    {0xff57, codes::end},
    {0xff95, codes::home},  // keypad Home ... keypad End with Num Lock off
    {0xff96, codes::leftArrow},
    {0xff97, codes::upArrow},
    {0xff98, codes::rightArrow},
    {0xff99, codes::downArrow},
    {0xff9a, codes::pageUp},
    {0xff9b, codes::pageDown},
    {0xff9c, codes::end},
    {0xffff, codes::forwardDelete},
    {0xff9f, codes::forwardDelete},  // keypad Delete
    {0xff63, 114},                   // Insert: the Help key's place
    {0xffbe, 122},                   // F1 ... F12
    {0xffbf, 120},
    {0xffc0, 99},
    {0xffc1, 118},
    {0xffc2, 96},
    {0xffc3, 97},
    {0xffc4, 98},
    {0xffc5, 100},
    {0xffc6, 101},
    {0xffc7, 109},
    {0xffc8, 103},
}};

bool isModifierKey(std::uint32_t keySym) {
    // Shift_L ... Hyper_R, ISO_Level3_Shift and friends, Num Lock.
    return (keySym >= 0xffe1 && keySym <= 0xffee) || (keySym >= 0xfe01 && keySym <= 0xfe13) ||
           keySym == 0xff7f;
}

platform::EventFlags flagsFor(std::uint32_t states) {
    namespace flags = platform::eventFlags;
    platform::EventFlags result = 0;
    if (states & keyStates::shift)
        result |= flags::shift;
    if (states & keyStates::capsLock)
        result |= flags::capsLock;
    if (states & keyStates::control)
        result |= flags::control;
    if (states & keyStates::alt)
        result |= flags::option;
    if (states & (keyStates::super | keyStates::super2 | keyStates::meta)) {
        result |= flags::command;
    }
    return result;
}

std::string controlText(KeyCode code, bool shift) {
    return platform::sim::SimKeyboardLayout::textFor(code, shift);
}

}  // namespace

std::optional<TranslatedKey> fromKeySym(std::uint32_t keySym, std::uint32_t states,
                                        std::string_view typed) {
    if (isModifierKey(keySym)) {
        return std::nullopt;
    }
    TranslatedKey key;
    key.flags = flagsFor(states);
    const bool shift = (states & keyStates::shift) != 0;
    if (keySym >= 0xffb0 && keySym <= 0xffb9) {
        // Keypad digits type their digit whatever the layout.
        key.keyCode = static_cast<KeyCode>(82 + (keySym - 0xffb0) + (keySym >= 0xffb8 ? 1 : 0));
        key.flags |= platform::eventFlags::numericPad;
        key.text = std::string(1, static_cast<char>('0' + (keySym - 0xffb0)));
        return key;
    }
    for (const auto& [sym, code] : namedKeys) {
        if (sym == keySym) {
            key.keyCode = code;
            key.text = controlText(code, shift);
            return key;
        }
    }
    if (keySym >= 0x20 && keySym <= 0x7e) {
        const char c = static_cast<char>(keySym);
        const std::optional<Layout> stroke = platform::sim::SimKeyboardLayout::keyFor(
            static_cast<char32_t>(static_cast<unsigned char>(c)));
        key.keyCode = stroke ? stroke->keyCode : unmappedKey;
        key.text = std::string(1, c);
        return key;
    }
    // A character of another layout (ă, đ, ...) or a key without a place on
    // the US keyboard: the character keeps its text, so it is typed as is.
    key.keyCode = typed.empty() ? unmappedKey : codes::a;
    key.text = std::string(typed);
    return key;
}

std::uint32_t keySymFor(KeyCode keyCode) {
    for (const auto& [sym, code] : namedKeys) {
        if (code == keyCode) {
            return sym;
        }
    }
    if (keyCode == codes::space) {
        return keySyms::space;
    }
    const std::string text = controlText(keyCode, false);
    if (text.size() == 1 && text[0] >= 0x20 && text[0] <= 0x7e) {
        return static_cast<unsigned char>(text[0]);
    }
    return 0;
}

std::uint32_t lowerKeySym(std::uint32_t keySym) {
    return keySym >= 'A' && keySym <= 'Z' ? keySym - 'A' + 'a' : keySym;
}

void HardwareKeyCodes::learn(std::uint32_t keySym, std::uint32_t code) {
    if (code != 0 && keySym != 0) {
        learned_[lowerKeySym(keySym)] = code;
    }
}

std::uint32_t HardwareKeyCodes::codeFor(std::uint32_t keySym) const {
    const std::uint32_t lower = lowerKeySym(keySym);
    if (const auto learned = learned_.find(lower); learned != learned_.end()) {
        return learned->second;
    }
    // The keys the bridge forwards, where a US keyboard has them (kernel
    // codes).
    static constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 16> usKeys{{
        {keySyms::lowerV, KEY_V},
        {keySyms::backSpace, KEY_BACKSPACE},
        {keySyms::returnKey, KEY_ENTER},
        {keySyms::keypadEnter, KEY_KPENTER},
        {keySyms::tab, KEY_TAB},
        {keySyms::escape, KEY_ESC},
        {keySyms::space, KEY_SPACE},
        {0xffff, KEY_DELETE},
        {0xff51, KEY_LEFT},
        {0xff53, KEY_RIGHT},
        {0xff52, KEY_UP},
        {0xff54, KEY_DOWN},
        {0xff50, KEY_HOME},
        {0xff57, KEY_END},
        {0xff55, KEY_PAGEUP},
        {0xff56, KEY_PAGEDOWN},
    }};
    for (const auto& [sym, code] : usKeys) {
        if (sym == lower) {
            return code + offset_;
        }
    }
    return 0;
}

}  // namespace halvora::bridge::KeyTranslation
