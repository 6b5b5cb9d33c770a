#include "platform/sim/SimPasteboard.h"
#include "platform/sim/SimTextField.h"

#include <gtest/gtest.h>

namespace halvora::platform::sim {
namespace {

using namespace std::string_literals;

KeyEvent key(KeyCode code, EventFlags flags = 0, std::string text = {}) {
    return KeyEvent{EventType::keyDown, code, flags, std::move(text), 0};
}

struct EditCase {
    const char* name;
    std::string text;
    std::size_t caret;  // code points
    KeyEvent event;
    std::string expectedText;
    std::size_t expectedCaret;
};

class SimTextFieldEditTest : public testing::TestWithParam<EditCase> {};

TEST_P(SimTextFieldEditTest, AppliesKeyLikeATextField) {
    const auto& c = GetParam();
    SimTextField field({100, 1}, {.role = "AXTextField"});
    field.setText(c.text);
    field.setCaret(c.caret);
    SimPasteboard pasteboard;
    pasteboard.writeString("dán");

    field.apply(c.event, pasteboard);

    EXPECT_EQ(field.text(), c.expectedText);
    EXPECT_EQ(field.caret(), c.expectedCaret);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SimTextFieldEditTest,
    testing::Values(
        EditCase{"BackspaceDeletesPrecomposedLetter", "việt", 4, key(keyCodes::backspace), "việ",
                 3},
        // "é" as e + combining acute is one character on screen.
        EditCase{"BackspaceDeletesWholeCluster", "cafe\u0301", 5, key(keyCodes::backspace), "caf",
                 3},
        EditCase{"BackspaceDeletesFlag", "a\U0001F1FB\U0001F1F3", 3, key(keyCodes::backspace), "a",
                 1},
        EditCase{"BackspaceDeletesBeforeCaretOnly", "abc", 2, key(keyCodes::backspace), "ac", 1},
        EditCase{"BackspaceAtStartDoesNothing", "abc", 0, key(keyCodes::backspace), "abc", 0},
        EditCase{"ForwardDeleteDeletesAfterCaret", "xe\u0301y", 1, key(keyCodes::forwardDelete),
                 "xy", 1},
        EditCase{"UnicodeTextInsertedAtCaret", "vt", 1, key(0, 0, "iệ"), "việt", 3},
        EditCase{"BareKeyCodeTypesLayoutCharacter", "a", 1, key(keyCodes::space), "a ", 2},
        EditCase{"ShiftedBareKeyCode", "", 0, key(keyCodes::a, eventFlags::shift), "A", 1},
        EditCase{"ReturnInsertsLineFeed", "a", 1, key(keyCodes::returnKey, 0, "\r"), "a\n", 2},
        EditCase{"EscapeTypesNothing", "a", 1, key(keyCodes::escape, 0, "\x1b"), "a", 1},
        EditCase{"ControlShortcutTypesNothing", "a", 1, key(keyCodes::a, eventFlags::control, "a"),
                 "a", 1},
        EditCase{"CommandShortcutTypesNothing", "a", 1, key(keyCodes::a, eventFlags::command, "a"),
                 "a", 1},
        EditCase{"CommandVPastesString", "ab", 1, key(keyCodes::v, eventFlags::command, "v"),
                 "adánb", 4},
        EditCase{"LeftArrowSkipsCluster", "ae\u0301", 3, key(keyCodes::leftArrow), "ae\u0301", 1},
        EditCase{"RightArrowSkipsCluster", "e\u0301a", 0, key(keyCodes::rightArrow), "e\u0301a", 2},
        EditCase{"HomeMovesToStart", "abc", 2, key(keyCodes::home), "abc", 0},
        EditCase{"KeyUpChangesNothing", "a", 1, KeyEvent{EventType::keyUp, 0, 0, "b", 0}, "a", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimTextFieldPasteTest, ImageOnlyItemIsRecordedAsImagePaste) {
    SimTextField field({100, 1}, {});
    field.setText("hi");
    SimPasteboard pasteboard;
    pasteboard.write({PasteboardItem{{PasteboardRepresentation::image(Bytes{1, 2, 3})}}});

    field.apply(key(keyCodes::v, eventFlags::command), pasteboard);

    EXPECT_EQ(field.text(), "hi");
    ASSERT_EQ(field.pastedImages().size(), 1u);
    EXPECT_EQ(field.pastedImages()[0], (Bytes{1, 2, 3}));
}

TEST(SimTextFieldPasteTest, RichItemGivesTextAndImageWhilePlainStringGivesTextOnly) {
    SimPasteboard pasteboard;
    pasteboard.write({PasteboardItem{{{PasteboardType::rtfd, "Giá\n", Bytes{9}},
                                      PasteboardRepresentation::string("Giá"),
                                      {PasteboardType::png, {}, Bytes{9}}}}});
    SimTextField rich({100, 1}, {});
    rich.apply(key(keyCodes::v, eventFlags::command), pasteboard);
    EXPECT_EQ(rich.text(), "Giá\n");
    EXPECT_EQ(rich.pastedImages().size(), 1u);

    pasteboard.clear();
    pasteboard.writeString("Giá");
    SimTextField plain({100, 2}, {});
    plain.apply(key(keyCodes::v, eventFlags::command), pasteboard);
    EXPECT_EQ(plain.text(), "Giá");
    EXPECT_TRUE(plain.pastedImages().empty());
}

TEST(SimTextFieldPasteTest, EmptyPasteboardPastesNothing) {
    SimTextField field({100, 1}, {});
    field.setText("x");
    SimPasteboard pasteboard;
    field.apply(key(keyCodes::v, eventFlags::command), pasteboard);
    EXPECT_EQ(field.text(), "x");
    EXPECT_TRUE(field.pastedImages().empty());
}

}  // namespace
}  // namespace halvora::platform::sim
