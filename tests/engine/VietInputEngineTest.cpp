#include "engine/InputMethod.h"
#include "engine/VietInputEngine.h"
#include "text/Unicode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace halvora::engine {
namespace {

VietInputEngine makeEngine(bool vni, bool modern) {
    VietInputEngine engine;
    engine.vniMode = vni;
    engine.modernTone = modern;
    return engine;
}

std::vector<InputAction> feedAll(VietInputEngine& engine, std::u32string_view keys) {
    std::vector<InputAction> actions;
    for (char32_t key : keys) {
        actions.push_back(engine.feed(key));
    }
    return actions;
}

// Plays the actions against a plain text, as the target application would
// see them, so the shown text can be checked against `composed`.
std::string applyToField(const std::vector<InputAction>& actions, std::u32string_view keys) {
    std::u32string field;
    for (std::size_t i = 0; i < actions.size(); ++i) {
        const InputAction& action = actions[i];
        if (action.kind == InputAction::Kind::passThrough) {
            field.push_back(keys[i]);
        } else if (action.kind == InputAction::Kind::replace) {
            for (int n = 0; n < action.deleteCount; ++n) {
                field.erase(text::lastGraphemeStart(field));
            }
            field += text::toUtf32(action.text);
        }
    }
    return text::toUtf8(field);
}

TEST(VietInputEngineTest, FeedPassesKeysThatTypeThemselvesAndReplacesTheRest) {
    VietInputEngine engine = makeEngine(false, true);
    const std::vector<InputAction> actions = feedAll(engine, U"vieetj");
    const std::vector<InputAction> expected = {
        InputAction::passThrough(),     InputAction::passThrough(), InputAction::passThrough(),
        InputAction::replace(3, "viê"), InputAction::passThrough(), InputAction::replace(4, "việt"),
    };
    EXPECT_EQ(actions, expected);
    EXPECT_EQ(engine.rawKeystrokes(), "vieetj");
    EXPECT_EQ(engine.composed(), "việt");
}

TEST(VietInputEngineTest, FirstKeyOfAWordAlwaysPasses) {
    for (bool vni : {false, true}) {
        for (char32_t key : std::u32string(U"sfdwaz19A")) {
            VietInputEngine engine = makeEngine(vni, true);
            EXPECT_EQ(engine.feed(key), InputAction::passThrough());
        }
    }
}

struct TypingCase {
    bool vni;
    bool modern;
    std::u32string keys;
    std::string composed;
    std::string commit;
};

TEST(VietInputEngineTest, ShownTextFollowsTheActionsAndCommitRestoresForeignWords) {
    const TypingCase cases[] = {
        {false, true, U"vieetj", "việt", "việt"}, {false, false, U"hoaf", "hòa", "hòa"},
        {false, true, U"hoaf", "hoà", "hoà"},     {false, true, U"nguowif", "người", "người"},
        {false, true, U"fax", "fã", "fax"},       {false, true, U"wifi", "wìi", "wifi"},
        {false, true, U"ass", "as", "as"},        {false, true, U"test", "test", "test"},
        {false, true, U"tes", "té", "té"},        {false, true, U"dd", "đ", "dd"},
        {false, true, U"ddi", "đi", "đi"},        {false, true, U"Tieengs", "Tiếng", "Tiếng"},
        {false, true, U"mwois", "mwói", "mwois"}, {false, true, U"dddd", "dđ", "dđ"},
        {false, true, U"cafe", "càe", "càe"},     {false, true, U"Email", "Email", "Email"},
        {true, true, U"vie65t", "việt", "việt"},  {true, true, U"d99", "d9", "d9"},
        {true, true, U"d9", "đ", "d9"},           {true, false, U"hoa2", "hòa", "hòa"},
        {true, true, U"a60", "â0", "a60"},
    };
    for (const TypingCase& c : cases) {
        SCOPED_TRACE(text::toUtf8(c.keys) + (c.vni ? " VNI" : " Telex"));
        VietInputEngine engine = makeEngine(c.vni, c.modern);
        const std::vector<InputAction> actions = feedAll(engine, c.keys);
        EXPECT_EQ(engine.composed(), c.composed);
        EXPECT_EQ(applyToField(actions, c.keys), c.composed);
        EXPECT_EQ(engine.peekCommitText(true, U' '), c.commit);
        EXPECT_EQ(engine.peekCommitText(false, U' '), c.composed);
    }
}

TEST(VietInputEngineTest, BackspaceMakesTheShownTextTheRawKeystrokes) {
    VietInputEngine engine = makeEngine(false, true);
    feedAll(engine, U"vieetj");
    EXPECT_EQ(engine.backspace(), InputAction::replace(4, "việ"));
    EXPECT_EQ(engine.rawKeystrokes(), "việ");
    EXPECT_EQ(engine.composed(), "việ");
    EXPECT_EQ(engine.feed(U't'), InputAction::passThrough());
    EXPECT_EQ(engine.composed(), "việt");
    EXPECT_EQ(engine.peekCommitText(true, U' '), "việt");
}

TEST(VietInputEngineTest, RetypingTheDeletedLetterComposesOnTheShownLetters) {
    VietInputEngine engine = makeEngine(false, true);
    feedAll(engine, U"tieengs");
    engine.backspace();
    EXPECT_EQ(engine.composed(), "tiến");
    engine.feed(U'g');
    EXPECT_EQ(engine.composed(), "tiếng");
    // Further modifier keys act on the shown letters.
    engine.feed(U'f');
    EXPECT_EQ(engine.composed(), "tiềng");
}

TEST(VietInputEngineTest, BackspaceUntilEmptyThenPasses) {
    VietInputEngine engine = makeEngine(true, true);
    feedAll(engine, U"d9");
    EXPECT_EQ(engine.backspace(), InputAction::replace(1, ""));
    EXPECT_EQ(engine.rawKeystrokes(), "");
    EXPECT_EQ(engine.backspace(), InputAction::passThrough());
}

TEST(VietInputEngineTest, BackspaceRemovesAWholeUserPerceivedCharacter) {
    VietInputEngine engine;
    engine.setRawKeystrokes("te\u0301");
    engine.setComposed("te\u0301");
    EXPECT_EQ(engine.backspace(), InputAction::replace(2, "t"));
}

TEST(VietInputEngineTest, DeleteCountIsInUserPerceivedCharacters) {
    VietInputEngine engine;
    engine.setRawKeystrokes("ngu");
    // A shown word written with a combining mark counts it as one character.
    engine.setComposed("nge\u0301");
    const InputAction action = engine.feed(U'w');
    EXPECT_EQ(action.kind, InputAction::Kind::replace);
    EXPECT_EQ(action.deleteCount, 3);
}

TEST(VietInputEngineTest, EscapedWordKeepsItsShownText) {
    VietInputEngine engine = makeEngine(false, true);
    // "as" is an English word, so the pair shows as typed before the escape.
    feedAll(engine, U"AS");
    EXPECT_EQ(engine.composed(), "AS");
    feedAll(engine, U"S");
    EXPECT_EQ(engine.composed(), "AS");
    EXPECT_EQ(engine.peekCommitText(true, U'.'), "AS");
    EXPECT_TRUE(VietInputEngine::render("ASS", false, true).escaped);

    VietInputEngine other = makeEngine(false, true);
    feedAll(other, U"ATT");
    EXPECT_EQ(other.composed(), "ATT");
    feedAll(other, U"ess");
    EXPECT_EQ(other.composed(), "ATTes");
    EXPECT_EQ(other.peekCommitText(true, U' '), "ATTes");
}

TEST(InputMethodTest, RawValues) {
    EXPECT_EQ(rawValue(InputMethod::telex), "Telex");
    EXPECT_EQ(rawValue(InputMethod::vni), "VNI");
    EXPECT_EQ(inputMethodFromRawValue("VNI"), InputMethod::vni);
    EXPECT_EQ(inputMethodFromRawValue("Telex"), InputMethod::telex);
    EXPECT_FALSE(inputMethodFromRawValue("telex").has_value());
    EXPECT_FALSE(inputMethodFromRawValue("").has_value());
}

}  // namespace
}  // namespace halvora::engine
