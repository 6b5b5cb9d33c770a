#include "bridge/KeyTranslation.h"
#include "bridge/ProgramIdentity.h"
#include "input/AppModePolicy.h"
#include "input/FocusedFieldPolicy.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace halvora::bridge {
namespace {

namespace codes = platform::keyCodes;
namespace flags = platform::eventFlags;
namespace states = KeyTranslation::keyStates;
using KeyTranslation::TranslatedKey;

struct KeyCase {
    const char* name;
    std::uint32_t keySym;
    std::uint32_t states;
    std::string typed;
    std::optional<TranslatedKey> expected;
};

TEST(KeyTranslationTest, KeysReachTheControllerAsOnAUsKeyboard) {
    const KeyCase cases[] = {
        {"letter", 'a', 0, "a", TranslatedKey{codes::a, 0, "a"}},
        {"shifted letter", 'A', states::shift, "A", TranslatedKey{codes::a, flags::shift, "A"}},
        {"caps lock letter", 'D', states::capsLock, "D", TranslatedKey{2, flags::capsLock, "D"}},
        {"digit off its order", '6', 0, "6", TranslatedKey{22, 0, "6"}},
        {"semicolon", ';', 0, ";", TranslatedKey{codes::semicolon, 0, ";"}},
        {"colon is shifted semicolon", ':', states::shift, ":",
         TranslatedKey{codes::semicolon, flags::shift, ":"}},
        {"space", ' ', 0, " ", TranslatedKey{codes::space, 0, " "}},
        {"return", 0xff0d, 0, "\r", TranslatedKey{codes::returnKey, 0, "\r"}},
        {"keypad enter", 0xff8d, 0, "\r", TranslatedKey{codes::keypadEnter, 0, "\x03"}},
        {"backspace", 0xff08, 0, "\b", TranslatedKey{codes::backspace, 0, "\x7f"}},
        {"escape", 0xff1b, 0, "\x1b", TranslatedKey{codes::escape, 0, "\x1b"}},
        {"tab", 0xff09, 0, "\t", TranslatedKey{codes::tab, 0, "\t"}},
        {"shift tab", 0xfe20, states::shift, "", TranslatedKey{codes::tab, flags::shift, "\t"}},
        {"left", 0xff51, 0, "", TranslatedKey{codes::leftArrow, 0, ""}},
        {"up", 0xff52, 0, "", TranslatedKey{codes::upArrow, 0, ""}},
        {"right", 0xff53, 0, "", TranslatedKey{codes::rightArrow, 0, ""}},
        {"down", 0xff54, 0, "", TranslatedKey{codes::downArrow, 0, ""}},
        {"home", 0xff50, 0, "", TranslatedKey{codes::home, 0, ""}},
        {"end", 0xff57, 0, "", TranslatedKey{codes::end, 0, ""}},
        {"page up", 0xff55, 0, "", TranslatedKey{codes::pageUp, 0, ""}},
        {"page down", 0xff56, 0, "", TranslatedKey{codes::pageDown, 0, ""}},
        {"keypad left without num lock", 0xff96, 0, "", TranslatedKey{codes::leftArrow, 0, ""}},
        {"control letter", 'c', states::control, "c", TranslatedKey{8, flags::control, "c"}},
        {"alt super k opens the picker", 'k', states::alt | states::super, "k",
         TranslatedKey{codes::k, flags::option | flags::command, "k"}},
        {"gtk's virtual super is super", '0', states::alt | states::super2, "0",
         TranslatedKey{codes::zero, flags::option | flags::command, "0"}},
        {"keypad digit", 0xffb5, 0, "5", TranslatedKey{87, flags::numericPad, "5"}},
        {"keypad nine skips the gap", 0xffb9, 0, "9", TranslatedKey{92, flags::numericPad, "9"}},
        {"character of another layout", 0x1e3, 0, "ă", TranslatedKey{codes::a, 0, "ă"}},
        {"function key", 0xffc2, 0, "", TranslatedKey{96, 0, ""}},
        {"key without a place", 0xff67, 0, "", TranslatedKey{KeyTranslation::unmappedKey, 0, ""}},
        {"shift alone", 0xffe1, states::shift, "", std::nullopt},
        {"control alone", 0xffe3, 0, "", std::nullopt},
        {"caps lock alone", 0xffe5, 0, "", std::nullopt},
        {"super alone", 0xffeb, 0, "", std::nullopt},
        {"level three shift alone", 0xfe03, 0, "", std::nullopt},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(KeyTranslation::fromKeySym(c.keySym, c.states, c.typed), c.expected);
    }
}

TEST(KeyTranslationTest, PostedKeysWithoutTextGoBackAsTheirSymbols) {
    const std::pair<platform::KeyCode, std::uint32_t> cases[] = {
        {codes::backspace, 0xff08},
        {codes::returnKey, 0xff0d},
        {codes::tab, 0xff09},
        {codes::space, 0x20},
        {codes::keypadEnter, 0xff8d},
        {codes::escape, 0xff1b},
        {codes::home, 0xff50},
        {codes::leftArrow, 0xff51},
        {codes::v, 'v'},
        {codes::a, 'a'},
        {200, 0},
    };
    for (const auto& [code, sym] : cases) {
        SCOPED_TRACE(code);
        EXPECT_EQ(KeyTranslation::keySymFor(code), sym);
    }
}

struct ProgramCase {
    const char* program;
    std::string identifier;
    std::optional<bool> defaultMode;
    bool browser;
    bool terminal;
};

TEST(ProgramIdentityTest, ProgramsGetTheModesAndPasteKeysOfTheirKind) {
    const ProgramCase cases[] = {
        {"firefox", "org.mozilla.firefox", true, true, false},
        {"/usr/lib/firefox-esr/firefox-esr", "org.mozilla.firefox", true, true, false},
        {"chromium", "org.chromium.Chromium", true, true, false},
        {"google-chrome", "com.google.Chrome", true, true, false},
        {"brave", "com.brave.Browser", true, true, false},
        {"vivaldi-bin", "com.vivaldi.Vivaldi", true, true, false},
        {"soffice.bin", "org.libreoffice.LibreOffice", true, false, false},
        {"gedit", "org.gnome.gedit", true, false, false},
        {"gnome-terminal-server", "org.gnome.Terminal", false, false, true},
        {"/usr/bin/konsole", "org.kde.konsole", false, false, true},
        {"alacritty", "org.alacritty.Alacritty", false, false, true},
        {"code", "com.visualstudio.code", false, false, false},
        {"idea", "com.jetbrains.IntelliJ-IDEA-Community", false, false, false},
        {"steam", "com.valvesoftware.Steam", false, false, false},
        {"zalo", "zalo", std::nullopt, false, false},
        {"", "", std::nullopt, false, false},
    };
    for (const ProgramCase& c : cases) {
        SCOPED_TRACE(c.program);
        const std::string identifier = ProgramIdentity::applicationIdentifier(c.program);
        EXPECT_EQ(identifier, c.identifier);
        EXPECT_EQ(input::AppModePolicy::defaultMode(identifier, std::nullopt), c.defaultMode);
        EXPECT_EQ(input::FocusedFieldPolicy::isBrowser(identifier), c.browser);
        EXPECT_EQ(ProgramIdentity::isTerminal(c.program), c.terminal);
    }
}

TEST(KeyTranslationTest, ForwardedKeysGetTheUsersKeyCodes) {
    KeyTranslation::HardwareKeyCodes x11(8);
    KeyTranslation::HardwareKeyCodes kernel(0);
    // Before the user pressed them: the US keyboard's places.
    EXPECT_EQ(x11.codeFor(KeyTranslation::keySyms::backSpace), 22u);
    EXPECT_EQ(kernel.codeFor(KeyTranslation::keySyms::backSpace), 14u);
    EXPECT_EQ(kernel.codeFor('V'), 47u);
    EXPECT_EQ(kernel.codeFor(0xffc8), 0u);
    // A French keyboard types "a" where the US one types "q"; a shifted
    // letter is on the same key.
    kernel.learn('A', 16);
    EXPECT_EQ(kernel.codeFor('a'), 16u);
    kernel.learn(KeyTranslation::keySyms::lowerV, 0);
    EXPECT_EQ(kernel.codeFor('v'), 47u);
}

}  // namespace
}  // namespace halvora::bridge
