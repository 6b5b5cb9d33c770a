// Global hot keys on a real X server (CTest runs this under xvfb-run): the
// grab, a key press reaching the handler, and a grab another client holds;
// and the modifier keys held, as the server reports them.

#include "platform/qt/XcbHotKeys.h"
#include "platform/qt/XcbKeyboardState.h"

#include "ProcessEvents.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace halvora::platform::qt {
namespace {

constexpr EventFlags kOptionCommand = eventFlags::option | eventFlags::command;

using halvora::testing::processEventsFor;

TEST(X11HotKeysTest, AGrabbedHotKeyReachesTheHandler) {
    XcbHotKeys hotKeys;
    ASSERT_TRUE(hotKeys.hasDisplay());
    std::vector<HotKeyId> pressed;
    HotKeyResult handler = hotKeys.installHandler([&](const HotKeyId& id) {
        pressed.push_back(id);
        return true;
    });
    ASSERT_EQ(handler.status, 0);
    HotKeyResult picker =
        hotKeys.registerHotKey(HotKey{{0x484C5652, 2}, keyCodes::k, kOptionCommand});
    ASSERT_EQ(picker.status, 0);
    EXPECT_TRUE(picker.registration.isActive());

    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty()) {
        GTEST_SKIP() << "xdotool is not installed; the key press is not sent";
    }
    // Alt+Super+J is not ours; with Caps Lock on the hot key still counts.
    for (const char* keys :
         {"super+alt+k", "super+alt+j", "Caps_Lock", "super+alt+k", "Caps_Lock"}) {
        QProcess::execute(xdotool, {QStringLiteral("key"), QString::fromLatin1(keys)});
    }
    processEventsFor(3000, [&] { return pressed.size() >= 2; });
    processEventsFor(200, [] { return false; });
    ASSERT_EQ(pressed.size(), 2u);
    EXPECT_EQ(pressed[0], (HotKeyId{0x484C5652, 2}));
    EXPECT_EQ(pressed[1], (HotKeyId{0x484C5652, 2}));

    // Ended: the key goes back to the desktop.
    picker.registration.cancel();
    QProcess::execute(xdotool, {QStringLiteral("key"), QStringLiteral("super+alt+k")});
    processEventsFor(300, [] { return false; });
    EXPECT_EQ(pressed.size(), 2u);
}

TEST(X11HotKeysTest, AKeyAnotherClientGrabbedFailsWithBadAccessAndLeavesNoHalfGrab) {
    // Another program holds Alt+Super+; (with no lock keys).
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    ASSERT_EQ(xcb_connection_has_error(other), 0);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(other);
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols, 0x3b);
    ASSERT_NE(codes, nullptr);
    const xcb_keycode_t semicolon = codes[0];
    std::free(codes);
    xcb_key_symbols_free(symbols);
    const auto mask = static_cast<std::uint16_t>(XCB_MOD_MASK_1 | XCB_MOD_MASK_4);
    ASSERT_EQ(
        xcb_request_check(other, xcb_grab_key_checked(other, 1, root, mask, semicolon,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)),
        nullptr);

    {
        XcbHotKeys hotKeys;
        ASSERT_TRUE(hotKeys.hasDisplay());
        ASSERT_EQ(hotKeys.installHandler([](const HotKeyId&) { return true; }).status, 0);
        HotKeyResult result =
            hotKeys.registerHotKey(HotKey{{0x484C5652, 1}, keyCodes::semicolon, kOptionCommand});
        EXPECT_EQ(result.status, 10);  // BadAccess
        EXPECT_FALSE(result.registration.isActive());
    }

    // Once the other program lets go, the key can be had — nothing of the
    // failed attempt stayed grabbed in our name.
    xcb_ungrab_key(other, semicolon, root, mask);
    xcb_flush(other);
    xcb_get_input_focus_reply_t* sync =
        xcb_get_input_focus_reply(other, xcb_get_input_focus(other), nullptr);
    std::free(sync);
    XcbHotKeys again;
    HotKeyResult result =
        again.registerHotKey(HotKey{{0x484C5652, 1}, keyCodes::semicolon, kOptionCommand});
    EXPECT_EQ(result.status, 0);
    xcb_disconnect(other);
}

/// Secure input and modifiers as the keystroke source would report them.
class FixedKeyboardState final : public KeyboardState {
  public:
    bool isSecureInputEnabled() const override { return true; }
    EventFlags modifierFlags() const override { return eventFlags::shift; }
};

TEST(X11KeyboardStateTest, HeldModifiersComeFromTheServerUntilReleased) {
    const QString xdotool = QStandardPaths::findExecutable(QStringLiteral("xdotool"));
    if (xdotool.isEmpty()) {
        GTEST_SKIP() << "xdotool is not installed; no key is held";
    }
    FixedKeyboardState fallback;
    XcbKeyboardState state(fallback);
    ASSERT_TRUE(state.hasDisplay());
    EXPECT_TRUE(state.isSecureInputEnabled());
    EXPECT_EQ(state.modifierFlags(), 0u);

    // The accepting hot key still held: Option and Command.
    QProcess::execute(xdotool, {QStringLiteral("keydown"), QStringLiteral("alt+super")});
    processEventsFor(2000, [&] { return state.modifierFlags() == kOptionCommand; });
    EXPECT_EQ(state.modifierFlags(), kOptionCommand);
    QProcess::execute(xdotool, {QStringLiteral("keyup"), QStringLiteral("super")});
    processEventsFor(2000, [&] { return state.modifierFlags() == eventFlags::option; });
    EXPECT_EQ(state.modifierFlags(), eventFlags::option);
    QProcess::execute(xdotool, {QStringLiteral("keyup"), QStringLiteral("alt")});
    QProcess::execute(xdotool, {QStringLiteral("keydown"), QStringLiteral("ctrl+shift")});
    processEventsFor(
        2000, [&] { return state.modifierFlags() == (eventFlags::control | eventFlags::shift); });
    EXPECT_EQ(state.modifierFlags(), eventFlags::control | eventFlags::shift);
    QProcess::execute(xdotool, {QStringLiteral("keyup"), QStringLiteral("ctrl+shift")});
    processEventsFor(2000, [&] { return state.modifierFlags() == 0; });
    EXPECT_EQ(state.modifierFlags(), 0u);
}

}  // namespace
}  // namespace halvora::platform::qt

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "X11HotKeysTest needs an X server (run it under xvfb-run)\n");
        return 77;
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
