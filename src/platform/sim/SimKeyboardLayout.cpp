#include "platform/sim/SimKeyboardLayout.h"

#include <array>

namespace halvora::platform::sim::SimKeyboardLayout {
namespace {

struct Key {
    KeyCode keyCode;
    char plain;
    char shifted;
};

constexpr std::array<Key, 48> keys{{
    {0, 'a', 'A'},   {1, 's', 'S'},  {2, 'd', 'D'},   {3, 'f', 'F'},  {4, 'h', 'H'},
    {5, 'g', 'G'},   {6, 'z', 'Z'},  {7, 'x', 'X'},   {8, 'c', 'C'},  {9, 'v', 'V'},
    {11, 'b', 'B'},  {12, 'q', 'Q'}, {13, 'w', 'W'},  {14, 'e', 'E'}, {15, 'r', 'R'},
    {16, 'y', 'Y'},  {17, 't', 'T'}, {18, '1', '!'},  {19, '2', '@'}, {20, '3', '#'},
    {21, '4', '$'},  {22, '6', '^'}, {23, '5', '%'},  {24, '=', '+'}, {25, '9', '('},
    {26, '7', '&'},  {27, '-', '_'}, {28, '8', '*'},  {29, '0', ')'}, {30, ']', '}'},
    {31, 'o', 'O'},  {32, 'u', 'U'}, {33, '[', '{'},  {34, 'i', 'I'}, {35, 'p', 'P'},
    {37, 'l', 'L'},  {38, 'j', 'J'}, {39, '\'', '"'}, {40, 'k', 'K'}, {41, ';', ':'},
    {42, '\\', '|'}, {43, ',', '<'}, {44, '/', '?'},  {45, 'n', 'N'}, {46, 'm', 'M'},
    {47, '.', '>'},  {49, ' ', ' '}, {50, '`', '~'},
}};

// The character keys by key code (the codes run from 0 to 50): index 0 of
// a row is the plain character, 1 the shifted one, both 0 for a code
// without a character key.
constexpr std::size_t kCodes = 51;
constexpr auto byCode = [] {
    std::array<std::array<char, 2>, kCodes> table{};
    for (const Key& key : keys) {
        table[key.keyCode] = {key.plain, key.shifted};
    }
    return table;
}();

}  // namespace

std::optional<KeyStroke> keyFor(char32_t c) {
    for (const auto& key : keys) {
        if (static_cast<char32_t>(key.plain) == c) {
            return KeyStroke{key.keyCode, false};
        }
        if (static_cast<char32_t>(key.shifted) == c) {
            return KeyStroke{key.keyCode, true};
        }
    }
    if (c == U'\n' || c == U'\r') {
        return KeyStroke{keyCodes::returnKey, false};
    }
    if (c == U'\t') {
        return KeyStroke{keyCodes::tab, false};
    }
    return std::nullopt;
}

std::string textFor(KeyCode keyCode, bool shift) {
    switch (keyCode) {
        case keyCodes::returnKey:
            return "\r";
        case keyCodes::tab:
            return "\t";
        case keyCodes::backspace:
            return "\x7f";
        case keyCodes::escape:
            return "\x1b";
        case keyCodes::keypadEnter:
            return "\x03";
        default:
            break;
    }
    if (keyCode < kCodes && byCode[keyCode][0] != 0) {
        return std::string(1, byCode[keyCode][shift ? 1 : 0]);
    }
    return {};
}

}  // namespace halvora::platform::sim::SimKeyboardLayout
