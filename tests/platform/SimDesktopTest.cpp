#include "platform/sim/SimDesktop.h"

#include <gtest/gtest.h>
#include <array>
#include <memory>
#include <string>

namespace halvora::platform::sim {
namespace {

constexpr std::int64_t marker = 0x48414C565241;

KeyEvent synthetic(KeyCode code, std::string text = {}, EventFlags flags = 0) {
    return KeyEvent{EventType::keyDown, code, flags, std::move(text), marker};
}

class SimDesktopTest : public testing::Test {
  protected:
    SimDesktopTest() {
        chat = desktop.launch("Zalo", "com.vng.zalo");
        desktop.bringToFront(chat);
        field = &desktop.addField(chat, {.role = "AXTextField", .description = "Tin nhắn"});
    }

    SimDesktop desktop;
    ProcessId chat = 0;
    SimTextField* field = nullptr;
};

TEST_F(SimDesktopTest, TypedTextReachesFocusedFieldOfFrontmostApp) {
    desktop.typeText("Xin chao");
    EXPECT_EQ(field->text(), "Xin chao");

    const ProcessId other = desktop.launch("Notes", "com.apple.Notes");
    auto& note = desktop.addField(other);
    desktop.bringToFront(other);
    desktop.typeText("ok");
    EXPECT_EQ(note.text(), "ok");
    EXPECT_EQ(field->text(), "Xin chao");
}

TEST_F(SimDesktopTest, TapSeesUserKeysAndCanSwallowThem) {
    std::vector<KeyEvent> seen;
    auto tap = desktop.install([&](const KeyEvent& event) {
        seen.push_back(event);
        return event.text != "x";
    });
    ASSERT_NE(tap, nullptr);

    desktop.typeText("axb");

    EXPECT_EQ(field->text(), "ab");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1].keyCode, 7);
    EXPECT_EQ(seen[1].type, EventType::keyDown);
}

TEST_F(SimDesktopTest, EventsPostedInsideTheCallbackArriveAfterItAndPassTheTapAgain) {
    // A tap that replaces "a" by "â": swallow the key, erase nothing, type
    // the new text with the marker.
    std::vector<std::int64_t> userData;
    auto tap = desktop.install([&](const KeyEvent& event) {
        userData.push_back(event.sourceUserData);
        if (event.sourceUserData == marker) {
            return true;
        }
        if (event.text == "a") {
            desktop.post(synthetic(keyCodes::backspace));
            desktop.post(synthetic(0, "â"));
            // Nothing posted reaches the field before the callback returns.
            EXPECT_EQ(field->text(), "xa");
            return false;
        }
        return true;
    });
    field->setText("xa");

    desktop.typeText("a");

    EXPECT_EQ(field->text(), "xâ");
    EXPECT_EQ(userData, (std::vector<std::int64_t>{0, marker, marker}));
    ASSERT_EQ(desktop.postedEvents().size(), 2u);
}

TEST_F(SimDesktopTest, EventsPostedOutsideAnyWorkArriveAtOnce) {
    desktop.post(synthetic(0, "đ"));
    EXPECT_EQ(field->text(), "đ");
}

TEST_F(SimDesktopTest, EventsPostedByAMainQueueTaskArriveWhenTheTaskEnds) {
    std::string seenInsideTask;
    desktop.mainQueue().async([&] {
        desktop.post(synthetic(0, "b"));
        seenInsideTask = field->text();
    });
    desktop.mainQueue().runReady();
    EXPECT_EQ(seenInsideTask, "");
    EXPECT_EQ(field->text(), "b");
}

TEST_F(SimDesktopTest, PostAllPostsNothingWhenAnEventCannotBeCreated) {
    const std::vector<KeyEvent> paste{
        synthetic(keyCodes::v, {}, eventFlags::command),
        KeyEvent{EventType::keyUp, keyCodes::v, eventFlags::command, {}, marker}};
    desktop.pasteboard().writeString("mẫu");
    desktop.setEventCreationFails(true);
    EXPECT_FALSE(desktop.postAll(paste));
    EXPECT_FALSE(desktop.post(paste[0]));
    EXPECT_TRUE(desktop.postedEvents().empty());
    EXPECT_EQ(field->text(), "");

    desktop.setEventCreationFails(false);
    EXPECT_TRUE(desktop.postAll(paste));
    EXPECT_EQ(field->text(), "mẫu");
}

TEST_F(SimDesktopTest, TapNeedsTrustAndGoesAwayWithItsHandle) {
    desktop.setTrusted(false);
    EXPECT_EQ(desktop.install([](const KeyEvent&) { return false; }), nullptr);

    desktop.setTrusted(true);
    auto tap = desktop.install([](const KeyEvent&) { return false; });
    ASSERT_NE(tap, nullptr);
    desktop.typeText("a");
    EXPECT_EQ(field->text(), "");

    tap.reset();
    EXPECT_EQ(desktop.installedTapCount(), 0u);
    desktop.typeText("a");
    EXPECT_EQ(field->text(), "a");
}

// A callback that removes its own tap, or installs another, changes who sees
// the next event, not this one: with that tap alone and beside another.
TEST_F(SimDesktopTest, TapsChangedInsideACallbackTakeEffectWithTheNextEvent) {
    struct Case {
        bool removes;
        bool adds;
    };
    for (const Case c : {Case{true, false}, Case{false, true}, Case{true, true}}) {
        SCOPED_TRACE(std::string(c.removes ? "removes " : "") + (c.adds ? "adds" : ""));
        field->setText("");
        std::unique_ptr<InstalledTap> removing;
        int removingCalls = 0;
        if (c.removes) {
            removing = desktop.install([&](const KeyEvent&) {
                ++removingCalls;
                removing.reset();
                return false;
            });
        }
        int addedCalls = 0;
        std::unique_ptr<InstalledTap> added;
        std::unique_ptr<InstalledTap> adding;
        if (c.adds) {
            adding = desktop.install([&](const KeyEvent&) {
                if (!added) {
                    added = desktop.install([&](const KeyEvent&) {
                        ++addedCalls;
                        return true;
                    });
                }
                return true;
            });
        }

        desktop.typeText("a");
        EXPECT_EQ(removingCalls, c.removes ? 1 : 0);
        EXPECT_EQ(addedCalls, 0);
        EXPECT_EQ(field->text(), c.removes ? "" : "a");
        desktop.typeText("b");
        EXPECT_EQ(removingCalls, c.removes ? 1 : 0);
        EXPECT_EQ(addedCalls, c.adds ? 1 : 0);
        EXPECT_EQ(field->text(), c.removes ? "b" : "ab");
    }
}

TEST_F(SimDesktopTest, DisabledTapIsToldAndSkippedUntilReEnabled) {
    int keys = 0;
    std::vector<EventType> notices;
    std::unique_ptr<InstalledTap> tap;
    tap = desktop.install([&](const KeyEvent& event) {
        if (event.type == EventType::tapDisabledByTimeout) {
            notices.push_back(event.type);
            return true;
        }
        ++keys;
        return true;
    });

    desktop.disableTaps();
    EXPECT_FALSE(tap->isEnabled());
    desktop.typeText("a");
    EXPECT_EQ(keys, 0);
    EXPECT_EQ(field->text(), "a");

    tap->setEnabled(true);
    desktop.typeText("b");
    EXPECT_EQ(keys, 1);
    EXPECT_EQ(notices, std::vector<EventType>{EventType::tapDisabledByTimeout});
}

TEST_F(SimDesktopTest, ClickGoesThroughTheTapThenFocusesTheField) {
    const ProcessId notes = desktop.launch("Notes", "com.apple.Notes");
    auto& note = desktop.addField(notes);
    note.setText("abc");
    std::vector<EventType> seen;
    bool swallow = true;
    auto tap = desktop.install([&](const KeyEvent& event) {
        seen.push_back(event.type);
        return !swallow;
    });

    EXPECT_FALSE(desktop.click(note, 1));
    EXPECT_EQ(desktop.frontmostApplication()->pid, chat);

    swallow = false;
    EXPECT_TRUE(desktop.click(note, 1));
    EXPECT_EQ(desktop.frontmostApplication()->pid, notes);
    EXPECT_EQ(desktop.focusedField(), &note);
    EXPECT_EQ(note.caret(), 1u);
    EXPECT_TRUE(desktop.click(*field, 0, EventType::rightMouseDown));
    EXPECT_EQ(desktop.frontmostApplication()->pid, chat);
    EXPECT_EQ(seen, (std::vector<EventType>{EventType::leftMouseDown, EventType::leftMouseDown,
                                            EventType::rightMouseDown}));
}

TEST_F(SimDesktopTest, WorkspaceNoticesFollowLaunchActivationAndTermination) {
    std::vector<std::string> log;
    auto activated = desktop.onActivate(
        [&](const RunningApplication& app) { log.push_back("activate " + app.localizedName); });
    auto launched = desktop.onLaunch(
        [&](const RunningApplication& app) { log.push_back("launch " + app.localizedName); });
    auto terminated = desktop.onTerminate(
        [&](const RunningApplication& app) { log.push_back("terminate " + app.localizedName); });

    const ProcessId game = desktop.launch("Game", "com.example.game", "public.app-category.games");
    desktop.bringToFront(game);
    desktop.bringToFront(game);  // already in front: no notice
    desktop.terminate(game);
    activated.cancel();
    desktop.bringToFront(chat);

    EXPECT_EQ(log, (std::vector<std::string>{"launch Game", "activate Game", "terminate Game"}));
    EXPECT_FALSE(desktop.frontmostApplication().has_value() &&
                 desktop.frontmostApplication()->pid == game);
}

TEST_F(SimDesktopTest, ActivationRequestedByTheProgramHappensLater) {
    const ProcessId notes = desktop.launch("Notes", "com.apple.Notes");
    desktop.setActivationDelay(0.1);
    std::vector<ProcessId> activated;
    auto observer =
        desktop.onActivate([&](const RunningApplication& app) { activated.push_back(app.pid); });

    EXPECT_TRUE(desktop.activate(notes));
    EXPECT_FALSE(desktop.activate(4242));
    EXPECT_EQ(desktop.frontmostApplication()->pid, chat);
    desktop.mainQueue().advance(0.05);
    EXPECT_EQ(desktop.frontmostApplication()->pid, chat);
    desktop.mainQueue().advance(0.05);
    EXPECT_EQ(desktop.frontmostApplication()->pid, notes);

    desktop.activateSelf();
    desktop.mainQueue().advance(0.1);
    EXPECT_EQ(activated, (std::vector<ProcessId>{notes, SimDesktop::ownPid}));
    EXPECT_EQ(desktop.frontmostApplication()->bundleIdentifier, desktop.ownBundleIdentifier());
}

TEST_F(SimDesktopTest, ObserverRemovedDuringANoticeIsNotCalledAgain) {
    int calls = 0;
    Registration second;
    auto first = desktop.onLaunch([&](const RunningApplication&) { second.cancel(); });
    second = desktop.onLaunch([&](const RunningApplication&) { ++calls; });
    desktop.launch("A", "a");
    EXPECT_EQ(calls, 0);
}

TEST_F(SimDesktopTest, AccessibilityReadsTheFocusedFieldWithinTheTimeOut) {
    const auto element = desktop.focusedElement(0.05);
    ASSERT_TRUE(element.has_value());
    EXPECT_EQ(element->pid, chat);
    EXPECT_EQ(desktop.attributes(*element, 0.05).description, "Tin nhắn");

    desktop.setResponseDelay(chat, 0.1);
    EXPECT_FALSE(desktop.focusedElement(0.05).has_value());
    EXPECT_EQ(desktop.attributes(*element, 0.05), ElementAttributes{});
    EXPECT_TRUE(desktop.focusedElement(0.15).has_value());
}

struct AccessibilityFailure {
    const char* name;
    void (*apply)(SimDesktop&);
};

class SimDesktopAccessibilityFailureTest : public testing::TestWithParam<AccessibilityFailure> {};

TEST_P(SimDesktopAccessibilityFailureTest, FocusedElementCannotBeRead) {
    SimDesktop desktop;
    const ProcessId chat = desktop.launch("Zalo", "com.vng.zalo");
    desktop.bringToFront(chat);
    desktop.addField(chat);
    ASSERT_TRUE(desktop.focusedElement(0.05).has_value());

    GetParam().apply(desktop);

    EXPECT_FALSE(desktop.focusedElement(0.05).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Failures, SimDesktopAccessibilityFailureTest,
    testing::Values(AccessibilityFailure{"NotTrusted", [](SimDesktop& d) { d.setTrusted(false); }},
                    AccessibilityFailure{"Refused",
                                         [](SimDesktop& d) { d.setAccessibilityFails(true); }},
                    AccessibilityFailure{"NoFrontApp", [](SimDesktop& d) { d.terminate(100); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimDesktopTest, SetFocusedMovesFocusWithinTheOwningApplicationOnly) {
    auto& second = desktop.addField(chat, {.role = "AXTextArea"}, false);
    EXPECT_EQ(desktop.focusedField(), field);
    EXPECT_TRUE(desktop.setFocused(second.element(), 0.15));
    EXPECT_EQ(desktop.focusedField(), &second);

    EXPECT_FALSE(desktop.setFocused(AccessibilityElement{chat, 999}, 0.15));
    EXPECT_EQ(desktop.focusedField(), &second);
}

TEST_F(SimDesktopTest, TrustPromptIsCountedAndMayGrant) {
    desktop.setTrusted(false);
    EXPECT_FALSE(desktop.promptForTrust());
    EXPECT_FALSE(desktop.isProcessTrusted());
    desktop.setGrantTrustOnPrompt(true);
    EXPECT_FALSE(desktop.promptForTrust());
    EXPECT_TRUE(desktop.isProcessTrusted());
    EXPECT_EQ(desktop.trustPromptCount(), 2);
}

TEST_F(SimDesktopTest, PlatformBundleReachesTheSameDesktop) {
    Platform platform = desktop.platform();
    platform.pasteboard.writeString("x");
    const std::array paste{TextEdit::paste()};
    platform.textOutput.perform(paste);
    EXPECT_EQ(field->text(), "x");
    EXPECT_EQ(platform.workspace.frontmostApplication()->pid, chat);
}

}  // namespace
}  // namespace halvora::platform::sim
