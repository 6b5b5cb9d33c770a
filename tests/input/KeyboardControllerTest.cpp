#include "TemporaryFolder.h"

#include "cli/ComposeSession.h"
#include "input/KeyboardController.h"
#include "platform/sim/SimDesktop.h"
#include "snippets/PanelHost.h"
#include "snippets/ReplyTemplatePrompt.h"
#include "snippets/SnippetPickerPanel.h"
#include "snippets/SnippetStore.h"

#include <gtest/gtest.h>

#include <fstream>

#include <string>
#include <vector>

namespace halvora::input {
namespace {

namespace keys = platform::keyCodes;
namespace flags = platform::eventFlags;
using platform::sim::SimDesktop;
using platform::sim::SimTextField;

// Shows nothing; remembers the prompt on screen so a test can fill it in.
class RecordingPanelHost final : public snippets::PanelHost {
  public:
    snippets::ReplyTemplatePrompt* prompt = nullptr;
    int promptsShown = 0;

  protected:
    void show(snippets::ReplyTemplatePrompt& p) override {
        prompt = &p;
        ++promptsShown;
    }
    void hide(snippets::ReplyTemplatePrompt& p, snippets::PanelDismissal) override {
        if (prompt == &p) {
            prompt = nullptr;
        }
    }
    void show(snippets::SnippetPickerPanel&) override {}
    void hide(snippets::SnippetPickerPanel&, snippets::PanelDismissal) override {}
};

class ControllerTest : public ::testing::Test {
  protected:
    ControllerTest()
        : platform_(desktop_.platform()),
          store_(folder_.path(), log_),
          controller_(
              store_, platform_, panels_, nullptr, [this] { ++stateChanges_; },
              [this](std::optional<snippets::ReplyPasteTarget> target) {
                  ++pickerRequests_;
                  pickerTarget_ = std::move(target);
              }) {
        chatPid_ = desktop_.launch("Zalo", "com.vng.zalo");
        chat_ = &desktop_.addField(chatPid_);
        desktop_.bringToFront(chatPid_);
        controller_.start();
    }

    // The user types, then lets the main queue run what fell due.
    void type(std::string_view text) {
        desktop_.typeText(text);
        desktop_.mainQueue().runReady();
    }
    bool press(platform::KeyCode code, platform::EventFlags modifiers = 0) {
        const bool passed = desktop_.pressKey(code, modifiers);
        desktop_.mainQueue().runReady();
        return passed;
    }
    void wait(double seconds) { desktop_.mainQueue().advance(seconds); }
    std::string chatText() const { return chat_->text(); }
    // Empties the chat field the way a user would: select nothing, click in.
    void clearChat() {
        chat_->setText("");
        desktop_.click(*chat_);
    }

    snippets::Snippet addSnippet(std::string trigger, std::string text) {
        snippets::Snippet s;
        s.trigger = std::move(trigger);
        s.title = "Mẫu thử";
        s.text = std::move(text);
        store_.append(s);
        return s;
    }

    halvora::testing::TemporaryFolder folder_;
    SimDesktop desktop_;
    platform::Platform platform_;
    platform::RecordingLog log_;
    snippets::SnippetStore store_;
    RecordingPanelHost panels_;
    int stateChanges_ = 0;
    int pickerRequests_ = 0;
    std::optional<snippets::ReplyPasteTarget> pickerTarget_;
    KeyboardController controller_;
    platform::ProcessId chatPid_ = 0;
    SimTextField* chat_ = nullptr;
};

struct TypingCase {
    engine::InputMethod method;
    bool modernTone;
    std::string typed;
    std::string shown;
};

TEST_F(ControllerTest, TypedTextReachesTheFieldComposed) {
    const TypingCase cases[] = {
        {engine::InputMethod::telex, true, "Tieengs Vieetj ddaay laf nguowif.",
         "Tiếng Việt đây là người."},
        {engine::InputMethod::telex, true, "xin chaof, banj khoer khoong?",
         "xin chào, bạn khoẻ không?"},
        {engine::InputMethod::telex, false, "hoaf binhf, thuyr", "hòa bình, thủy"},
        {engine::InputMethod::vni, true, "Tie61ng Vie65t 2026", "Tiếng Việt 2026"},
        {engine::InputMethod::vni, false, "hoa2 d9u7o7c5", "hòa được"},
        // Restored at the boundary, English left alone, escapes kept.
        {engine::InputMethod::telex, true, "fax wifi email ass ", "fax wifi email as "},
        // In Telex a digit ends the word.
        {engine::InputMethod::telex, true, "vieet5j", "viêt5j"},
        // Shift+letter composes like a letter.
        {engine::InputMethod::telex, true, "DDAAY", "ĐÂY"},
    };
    for (const TypingCase& c : cases) {
        SCOPED_TRACE(c.typed);
        controller_.setMethod(c.method);
        controller_.setModernTone(c.modernTone);
        clearChat();
        type(c.typed);
        EXPECT_EQ(chatText(), c.shown);
        // Whatever reaches the field equals what the compose command prints.
        if (!c.typed.ends_with(' ')) {
            EXPECT_EQ(chatText(),
                      cli::composeText(c.typed, {.vni = c.method == engine::InputMethod::vni,
                                                 .oldTone = !c.modernTone}));
        }
        press(keys::space);  // ends the last word
    }
}

TEST_F(ControllerTest, LettersThatTypeThemselvesPassAndCorrectionsAreMarked) {
    EXPECT_TRUE(press(0));  // "a" passes as typed
    EXPECT_TRUE(desktop_.postedEvents().empty());
    EXPECT_FALSE(press(0));  // "aa" → "â": swallowed, rewritten
    const auto& posted = desktop_.postedEvents();
    ASSERT_EQ(posted.size(), 4u);
    EXPECT_EQ(posted[0].keyCode, keys::backspace);
    EXPECT_EQ(posted[1].type, platform::EventType::keyUp);
    EXPECT_EQ(posted[2].text, "â");
    for (const platform::KeyEvent& e : posted) {
        EXPECT_EQ(e.sourceUserData, kSyntheticEventMarker);
        EXPECT_EQ(e.flags, 0u);
    }
    EXPECT_EQ(chatText(), "â");
}

TEST_F(ControllerTest, SyntheticEventsPassUntouched) {
    type("vieetj");
    platform::KeyEvent backspace{platform::EventType::keyDown, keys::backspace, 0, "",
                                 kSyntheticEventMarker};
    EXPECT_TRUE(controller_.handle(backspace));
    EXPECT_EQ(controller_.engine().composed(), "việt") << "the word is not touched";
}

TEST_F(ControllerTest, SpaceAfterARestoredWordRetypesItThenTheSpace) {
    type("fax");
    desktop_.clearPostedEvents();
    EXPECT_FALSE(press(keys::space));
    const auto& posted = desktop_.postedEvents();
    ASSERT_EQ(posted.size(), 8u);  // two backspace pairs, the text pair, the Space pair
    EXPECT_EQ(posted[4].text, "fax");
    EXPECT_EQ(posted[6].keyCode, keys::space);
    EXPECT_EQ(chatText(), "fax ");
    // An unchanged word lets the Space itself through.
    EXPECT_TRUE(press(keys::space));
}

TEST_F(ControllerTest, EscapeRestoresTheRawKeystrokes) {
    type("vieetj");
    EXPECT_FALSE(press(keys::escape));
    EXPECT_EQ(chatText(), "vieetj");
    // Nothing composed: Escape passes.
    EXPECT_TRUE(press(keys::escape));
    type(" abc");
    EXPECT_TRUE(press(keys::escape));
}

TEST_F(ControllerTest, BackspaceInsideAWordComposesOnTheShownLetters) {
    type("tieengs");
    press(keys::backspace);
    EXPECT_EQ(chatText(), "tiến");
    type("g");
    EXPECT_EQ(chatText(), "tiếng");
    type(" ");
    // Backspace with no word passes and the application deletes.
    EXPECT_TRUE(press(keys::backspace));
    EXPECT_EQ(chatText(), "tiếng");
}

TEST_F(ControllerTest, ClicksNavigationAndCommandKeysEndTheWord) {
    type("vie");
    desktop_.click(*chat_);
    type("ej");
    EXPECT_EQ(chatText(), "vieẹ") << "the click started a new word";

    clearChat();
    type("vie");
    press(keys::leftArrow);
    press(keys::rightArrow);
    type("ej");
    EXPECT_EQ(chatText(), "vieẹ");

    clearChat();
    type("vie");
    EXPECT_TRUE(press(9, flags::command));  // Command+V ends the word
    EXPECT_TRUE(controller_.engine().rawKeystrokes().empty());
}

TEST_F(ControllerTest, SensitiveFieldsAndSecureInputAreLeftAlone) {
    SimTextField& password =
        desktop_.addField(chatPid_, {.role = "AXTextField", .subrole = "AXSecureTextField"});
    desktop_.click(password);
    type("vieetj");
    EXPECT_EQ(password.text(), "vieetj");
    EXPECT_EQ(controller_.focusedFieldKind(), FocusedFieldKind::sensitive);

    desktop_.click(*chat_);
    desktop_.setSecureInput(true);
    type("vieetj");
    EXPECT_EQ(chatText(), "vieetj");
    desktop_.setSecureInput(false);
}

TEST_F(ControllerTest, BrowserAddressBarIsLeftAloneButPageFieldsCompose) {
    const platform::ProcessId browser = desktop_.launch("Chrome", "com.google.Chrome");
    SimTextField& address =
        desktop_.addField(browser, {.role = "AXTextField", .subrole = "AXSearchField"});
    desktop_.bringToFront(browser);
    type("vieetj");
    EXPECT_EQ(address.text(), "vieetj");

    SimTextField& page = desktop_.addField(browser, {.role = "AXTextArea"});
    desktop_.click(page);
    type("vieetj");
    EXPECT_EQ(page.text(), "việt");
}

TEST_F(ControllerTest, ApplicationModesFollowActivationAndManualToggle) {
    const platform::ProcessId terminal = desktop_.launch("Terminal", "com.apple.Terminal");
    SimTextField& shell = desktop_.addField(terminal);
    desktop_.bringToFront(terminal);
    EXPECT_FALSE(controller_.enabled()) << "terminals start in English";
    type("vieetj");
    EXPECT_EQ(shell.text(), "vieetj");

    // Option+Command+0 switches Vietnamese on and remembers it for this app.
    EXPECT_FALSE(press(keys::zero, flags::option | flags::command));
    EXPECT_TRUE(controller_.enabled());
    EXPECT_EQ(desktop_.userDefaults().boolValue("mode.com.apple.Terminal"), true);

    desktop_.bringToFront(chatPid_);
    desktop_.bringToFront(terminal);
    EXPECT_TRUE(controller_.enabled()) << "the remembered mode wins over the default";

    // Option+0 without Command only ends the word.
    EXPECT_TRUE(press(keys::zero, flags::option));
    EXPECT_TRUE(controller_.enabled());
}

TEST_F(ControllerTest, EnglishModeTypesRawButCodesStillExpand) {
    addSnippet("cam", "Cảm ơn anh!");
    controller_.setEnabled(false);
    type("vieetj ;cam ");
    wait(0.05);
    EXPECT_EQ(chatText(), "vieetj Cảm ơn anh!");
}

TEST_F(ControllerTest, SnippetCodeIsErasedThenPasted) {
    addSnippet(";xin", "Xin chào anh, em có thể giúp gì ạ?");
    type("Chaof anh ;xin");
    EXPECT_EQ(chatText(), "Chào anh ;xin");
    EXPECT_EQ(controller_.token(), ";xin");
    EXPECT_FALSE(press(keys::space));
    EXPECT_EQ(chatText(), "Chào anh ") << "the code is erased at once";
    wait(0.03);
    EXPECT_EQ(chatText(), "Chào anh ");
    wait(0.02);
    EXPECT_EQ(chatText(), "Chào anh Xin chào anh, em có thể giúp gì ạ?");
}

TEST_F(ControllerTest, ImageSnippetsPasteTheTextThenTheImage) {
    const auto writeImage = [this](const std::string& name) {
        const platform::Bytes bytes =
            platform::sim::SimImageCodec::encoded({120, 80}, "anh san pham");
        const auto path = folder_.path() / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    };
    snippets::Snippet withText = addSnippet("sp", "Mẫu áo mới về ạ");
    store_.importImage(writeImage("ao.png"), withText.id);
    snippets::Snippet imageOnly = addSnippet("hinh", "");
    store_.importImage(writeImage("hinh.png"), imageOnly.id);
    store_.update(imageOnly.id, [](snippets::Snippet& s) { s.hotkeySlot = 4; });

    type(";sp ");
    wait(0.04);
    EXPECT_EQ(chatText(), "Mẫu áo mới về ạ\n") << "the text goes first";
    EXPECT_TRUE(chat_->pastedImages().empty());
    wait(0.35);
    EXPECT_EQ(chat_->pastedImages().size(), 1u) << "then the image alone";

    press(21, flags::option | flags::command);  // slot 4
    wait(0.01);
    EXPECT_EQ(chat_->pastedImages().size(), 2u);
    EXPECT_EQ(chatText(), "Mẫu áo mới về ạ\n");
}

TEST_F(ControllerTest, SwitchingApplicationsEndsTheWord) {
    type("vie");
    const platform::ProcessId notes = desktop_.launch("Notes", "com.apple.Notes");
    desktop_.addField(notes);
    desktop_.bringToFront(notes);
    EXPECT_EQ(controller_.activeBundleID(), "com.apple.Notes");
    EXPECT_TRUE(controller_.engine().rawKeystrokes().empty());
    desktop_.bringToFront(chatPid_);
    type("ej");
    EXPECT_EQ(chatText(), "vieẹ");
}

TEST_F(ControllerTest, CodesCollectLettersDigitsAndUnderscoreOnly) {
    addSnippet("a_1", "OK");
    type(";a_1");
    EXPECT_EQ(controller_.token(), ";a_1");
    press(keys::backspace);
    EXPECT_EQ(controller_.token(), ";a_");
    press(keys::backspace);
    press(keys::backspace);
    EXPECT_EQ(controller_.token(), ";");
    press(keys::backspace);
    EXPECT_EQ(controller_.token(), "");

    // Letters of a code may be accented; Backspace takes back a whole one.
    type(";bé");
    press(keys::backspace);
    EXPECT_EQ(controller_.token(), ";b");
    press(keys::escape);

    clearChat();
    type(";zz ");
    wait(0.1);
    EXPECT_EQ(chatText(), ";zz ") << "an unknown code stays and the Space is typed";
    type(";a-1 ");
    wait(0.1);
    EXPECT_EQ(chatText(), ";zz ;a-1 ");
}

TEST_F(ControllerTest, HotkeySlotPastesWithoutTypingACode) {
    snippets::Snippet s = addSnippet("", "Số tài khoản: 0123456789");
    store_.update(s.id, [](snippets::Snippet& x) { x.hotkeySlot = 3; });
    type("Daj ");
    EXPECT_FALSE(press(20, flags::option | flags::command));  // number-row 3
    wait(0.01);
    EXPECT_EQ(chatText(), "Dạ Số tài khoản: 0123456789");
    // A slot without a snippet resets the word and passes.
    EXPECT_TRUE(press(21, flags::option | flags::command));
}

TEST_F(ControllerTest, QuickReplyGoesThroughThePromptThenPastes) {
    snippets::Snippet s = addSnippet("tl1", "Chào {ten_khach}, đơn {ma_don} đã gửi.");
    store_.update(s.id, [](snippets::Snippet& x) { x.quickReply = true; });
    type(";tl1 ");
    EXPECT_EQ(chatText(), "");
    EXPECT_EQ(panels_.prompt, nullptr) << "the prompt waits for the backspaces to land";
    wait(0.06);
    ASSERT_NE(panels_.prompt, nullptr);
    EXPECT_EQ(panels_.prompt->windowTitle(), "Điền thông tin · Mẫu thử");
    EXPECT_EQ(panels_.prompt->submitTitle(), "Dán vào chat");
    panels_.prompt->setValue("ten_khach", "chị Lan");
    panels_.prompt->setValue("ma_don", "HD42");
    ASSERT_TRUE(panels_.prompt->submit());
    EXPECT_EQ(controller_.replyPrompt(), nullptr);
    desktop_.mainQueue().runReady();
    wait(0.5);
    EXPECT_EQ(chatText(), "Chào chị Lan, đơn HD42 đã gửi.");
}

TEST_F(ControllerTest, EscapeCancelsThePromptAndNeverReachesTheTarget) {
    snippets::Snippet s = addSnippet("tl1", "Chào {ten_khach}");
    store_.update(s.id, [](snippets::Snippet& x) { x.quickReply = true; });
    type(";tl1 ");
    wait(0.06);
    ASSERT_NE(controller_.replyPrompt(), nullptr);
    EXPECT_FALSE(press(keys::escape));
    EXPECT_EQ(controller_.replyPrompt(), nullptr);
    wait(0.5);
    EXPECT_EQ(chatText(), "");
}

TEST_F(ControllerTest, ReplyPasteFallsBackToTheClipboardAfterNineAttempts) {
    snippets::ReplyPasteTarget target = *snippets::ReplyPasteTarget::capture(platform_);
    desktop_.setAccessibilityFails(true);
    controller_.finishReplyPaste("Cảm ơn chị", target, 0);
    wait(0.06 * 7 + 0.01);
    EXPECT_TRUE(desktop_.alerts().shown().empty());
    wait(0.06);
    ASSERT_EQ(desktop_.alerts().shown().size(), 1u);
    EXPECT_EQ(desktop_.alerts().shown()[0].message, "Không dán tự động được vào ô chat cũ");
    const auto items = desktop_.pasteboard().items();
    ASSERT_EQ(items.size(), 1u);
    ASSERT_NE(items[0].find(platform::PasteboardType::string), nullptr);
    EXPECT_EQ(items[0].find(platform::PasteboardType::string)->text, "Cảm ơn chị");
}

TEST_F(ControllerTest, SuggestionIsOfferedAndAcceptedAfterModifiersAreReleased) {
    type("mwois ");
    ASSERT_TRUE(controller_.suggestion().has_value());
    EXPECT_EQ(controller_.suggestion()->replacement, "mới");
    EXPECT_EQ(controller_.suggestion()->targetPID, chatPid_);
    EXPECT_EQ(chatText(), "mwois ");

    desktop_.setModifierFlags(flags::option | flags::command);
    EXPECT_FALSE(press(keys::semicolon, flags::option | flags::command));
    EXPECT_FALSE(controller_.suggestion().has_value());
    wait(0.05);
    EXPECT_EQ(chatText(), "mwois ") << "waits while Option and Command are held";
    desktop_.setModifierFlags(0);
    wait(0.01);
    EXPECT_EQ(chatText(), "mới ");
}

TEST_F(ControllerTest, SuggestionIsWithdrawnOrAbandoned) {
    type("mwois ");
    type("x");
    EXPECT_FALSE(controller_.suggestion().has_value()) << "any plain key withdraws the offer";
    EXPECT_TRUE(press(keys::semicolon, flags::option | flags::command))
        << "nothing on offer: passes";

    // Held modifiers for more than about a second abandon the replacement.
    clearChat();
    type(" mwois ");
    desktop_.setModifierFlags(flags::option | flags::command);
    press(keys::semicolon, flags::option | flags::command);
    wait(1.2);
    desktop_.setModifierFlags(0);
    wait(0.1);
    EXPECT_EQ(chatText(), " mwois ");
    EXPECT_FALSE(controller_.hasPendingSuggestionReplacement());

    // Return ends words but never suggests; with suggestions off Space does not either.
    type("mwois");
    press(keys::returnKey);
    EXPECT_FALSE(controller_.suggestion().has_value());
    controller_.setSuggestionsEnabled(false);
    type("mwois ");
    EXPECT_FALSE(controller_.suggestion().has_value());
}

TEST_F(ControllerTest, PickerHotkeyCapturesTheTargetAndAsksTheShell) {
    type("vie");
    EXPECT_FALSE(press(keys::k, flags::option | flags::command));
    EXPECT_TRUE(controller_.engine().rawKeystrokes().empty());
    EXPECT_EQ(pickerRequests_, 1);
    ASSERT_TRUE(pickerTarget_.has_value());
    EXPECT_EQ(pickerTarget_->pid(), chatPid_);

    // While the picker is open, Return, Escape and Enter go to it.
    controller_.setPickerOpen(true);
    type("vieetj");
    EXPECT_TRUE(press(keys::returnKey));
    EXPECT_TRUE(controller_.engine().rawKeystrokes().empty());
    EXPECT_TRUE(press(keys::k, flags::option | flags::command))
        << "no second picker while one is open";
    EXPECT_EQ(pickerRequests_, 1);
}

TEST_F(ControllerTest, ObserversHearOfPublishedChangesBeforeTheyHappen) {
    std::vector<bool> enabledSeen;
    util::Connection connection =
        controller_.observe([&] { enabledSeen.push_back(controller_.enabled()); });
    controller_.setEnabled(false);
    ASSERT_EQ(enabledSeen.size(), 1u);
    EXPECT_TRUE(enabledSeen[0]) << "the old value is still there";
    type("mwois ");
    EXPECT_EQ(enabledSeen.size(), 1u) << "Vietnamese off: no suggestion, nothing published";
    controller_.setEnabled(true);
    type("mwois ");
    EXPECT_EQ(enabledSeen.size(), 3u) << "enabled, then the suggestion";
    connection.disconnect();
    controller_.setEnabled(false);
    EXPECT_EQ(enabledSeen.size(), 3u);
}

TEST_F(ControllerTest, StopAndConflictsRemoveTheTap) {
    EXPECT_TRUE(controller_.isRunning());
    controller_.setConflictingInputApp(std::string("EVKey"));
    EXPECT_FALSE(controller_.isRunning());
    EXPECT_EQ(desktop_.installedTapCount(), 0u);
    controller_.start();
    EXPECT_FALSE(controller_.isRunning()) << "a conflict blocks starting";
    controller_.setConflictingInputApp(std::nullopt);
    controller_.start();
    EXPECT_TRUE(controller_.isRunning());

    // The system disabling the tap switches it straight back on.
    desktop_.disableTaps();
    type("vieetj");
    EXPECT_EQ(chatText(), "việt");
}

}  // namespace
}  // namespace halvora::input
