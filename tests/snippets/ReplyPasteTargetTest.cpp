#include "snippets/ReplyPasteTarget.h"

#include "platform/sim/SimDesktop.h"

#include <gtest/gtest.h>

namespace halvora::snippets {
namespace {

using platform::ProcessId;
using platform::sim::SimDesktop;

class ReplyPasteTargetTest : public ::testing::Test {
  protected:
    ReplyPasteTargetTest() {
        chat = desktop.launch("Zalo", "com.vng.zalo");
        search = &desktop.addField(chat, {.role = "AXSearchField"}, false);
        composer = &desktop.addField(chat);
        desktop.bringToFront(chat);
    }

    /// A panel of this program takes the focus, as the prompt does.
    void showOwnPanel() {
        desktop.activateSelf();
        desktop.mainQueue().runReady();
    }

    SimDesktop desktop;
    platform::Platform platform = desktop.platform();
    ProcessId chat = 0;
    platform::sim::SimTextField* search = nullptr;
    platform::sim::SimTextField* composer = nullptr;
};

TEST_F(ReplyPasteTargetTest, CapturesTheFrontmostApplicationAndItsFocusedField) {
    const auto target = ReplyPasteTarget::capture(platform);
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(target->pid(), chat);
    EXPECT_EQ(target->app().bundleIdentifier, "com.vng.zalo");
    EXPECT_EQ(target->field(), composer->element());
}

TEST_F(ReplyPasteTargetTest, CapturesNothingWhereNoFieldCanBeReached) {
    struct Case {
        const char* name;
        void (*arrange)(SimDesktop&, ProcessId chat);
    };
    const Case cases[] = {
        {"no application in front", [](SimDesktop& d, ProcessId chat) { d.terminate(chat); }},
        {"this program in front",
         [](SimDesktop& d, ProcessId) { d.bringToFront(SimDesktop::ownPid); }},
        {"accessibility fails", [](SimDesktop& d, ProcessId) { d.setAccessibilityFails(true); }},
        {"not trusted", [](SimDesktop& d, ProcessId) { d.setTrusted(false); }},
        {"application answers too late",
         [](SimDesktop& d, ProcessId chat) { d.setResponseDelay(chat, 0.2); }},
        {"application without a focused field",
         [](SimDesktop& d, ProcessId) {
             const ProcessId bare = d.launch("Finder", "com.apple.finder");
             d.bringToFront(bare);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimDesktop fresh;
        const ProcessId app = fresh.launch("Zalo", "com.vng.zalo");
        fresh.addField(app);
        fresh.bringToFront(app);
        c.arrange(fresh, app);
        EXPECT_FALSE(ReplyPasteTarget::capture(fresh.platform()).has_value());
    }
}

TEST_F(ReplyPasteTargetTest, AnswerWithinTheTimeoutStillCounts) {
    desktop.setResponseDelay(chat, 0.15);
    EXPECT_TRUE(ReplyPasteTarget::capture(platform).has_value());
}

TEST_F(ReplyPasteTargetTest, RefocusesTheCapturedFieldOnceTheApplicationIsBack) {
    const auto target = ReplyPasteTarget::capture(platform);
    ASSERT_TRUE(target.has_value());
    showOwnPanel();

    // The program is in front: not verified, and the application is not
    // activated by the check itself.
    EXPECT_FALSE(target->refocusAndVerify(platform));
    EXPECT_EQ(desktop.frontmostApplication()->pid, SimDesktop::ownPid);

    // Back in the chat, but the user clicked into the search field meanwhile.
    desktop.focus(*search);
    desktop.activate(chat);
    desktop.mainQueue().runReady();
    EXPECT_TRUE(target->refocusAndVerify(platform));
    EXPECT_EQ(desktop.focusedField(), composer);
}

TEST_F(ReplyPasteTargetTest, AccessibilityFailuresMeanNotVerified) {
    const auto target = ReplyPasteTarget::capture(platform);
    ASSERT_TRUE(target.has_value());

    desktop.setAccessibilityFails(true);
    EXPECT_FALSE(target->refocusAndVerify(platform));
    desktop.setAccessibilityFails(false);

    desktop.setResponseDelay(chat, 0.5);
    EXPECT_FALSE(target->refocusAndVerify(platform));
    desktop.setResponseDelay(chat, 0);

    EXPECT_TRUE(target->refocusAndVerify(platform));
}

TEST_F(ReplyPasteTargetTest, ARestartedApplicationIsNotTheTarget) {
    const auto target = ReplyPasteTarget::capture(platform);
    ASSERT_TRUE(target.has_value());
    desktop.terminate(chat);
    const ProcessId again = desktop.launch("Zalo", "com.vng.zalo");
    desktop.addField(again);
    desktop.bringToFront(again);

    EXPECT_FALSE(target->refocusAndVerify(platform));
}

}  // namespace
}  // namespace halvora::snippets
