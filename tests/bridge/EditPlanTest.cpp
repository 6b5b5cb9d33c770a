// The controller's edits as an input-method framework carries them out.

#include "bridge/EditPlan.h"

#include "bridge/BridgeProtocol.h"
#include "platform/KeyEvent.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace halvora::bridge {
namespace {

namespace kinds = protocol::editKinds;
namespace keys = platform::keyCodes;
using Step = ClientStep;
using K = ClientStep::Kind;

Step preedit(std::string text) {
    return {K::showPreedit, std::move(text), 0, 0};
}
Step commit(std::string text) {
    return {K::commit, std::move(text), 0, 0};
}
Step erase(std::uint32_t count) {
    return {K::deleteBefore, {}, count, 0};
}

AnsweredKey letter(std::string text, bool pass) {
    return {keys::a, std::move(text), true, pass};
}
AnsweredKey space(bool pass) {
    return {keys::space, " ", true, pass};
}

struct Case {
    const char* name;
    ClientRoad road;
    std::vector<WireEdit> edits;
    std::optional<AnsweredKey> key;
    std::vector<Step> steps;
    bool keyTaken;
};

TEST(EditPlanTest, EditsBecomeStepsOnOneChannel) {
    const ClientRoad pre = ClientRoad::preedit;
    const ClientRoad direct = ClientRoad::direct;
    const ClientRoad surround = ClientRoad::surrounding;
    const Case cases[] = {
        {"a letter that types itself is still pre-edit text",
         pre,
         {{kinds::composeByKey, 2, "via", "vi"}},
         letter("a", true),
         {preedit("via")},
         true},
        {"a correction",
         pre,
         {{kinds::compose, 3, "viê", "vie"}},
         letter("e", false),
         {preedit("viê")},
         true},
        {"Space behind an unchanged word is committed with it, in one commit",
         pre,
         {{kinds::commit, 4, "việt", "việt"}},
         space(true),
         {commit("việt ")},
         true},
        {"Space behind a restored word",
         pre,
         {{kinds::commit, 5, "email", "ẻmail"}, {kinds::key, keys::space, "", ""}},
         space(false),
         {commit("email ")},
         true},
        {"Return acts on its own after the commit",
         pre,
         {{kinds::commit, 4, "việt", "việt"}},
         AnsweredKey{keys::returnKey, "\r", true, true},
         {commit("việt")},
         false},
        {"Return behind a correction",
         pre,
         {{kinds::commit, 5, "email", "ẻmail"}, {kinds::key, keys::returnKey, "", ""}},
         AnsweredKey{keys::returnKey, "\r", true, false},
         {commit("email")},
         false},
        {"an erased snippet code leaves nothing",
         pre,
         {{kinds::commit, 4, "", ";cam"}},
         space(false),
         {commit("")},
         true},
        {"a code begins behind a committed word",
         pre,
         {{kinds::commit, 2, "an", "an"}, {kinds::composeByKey, 0, ";", ""}},
         AnsweredKey{keys::semicolon, ";", true, true},
         {commit("an"), preedit(";")},
         true},
        {"text outside a word is committed too", pre, {}, letter("1", true), {commit("1")}, true},
        {"keys that type nothing pass",
         pre,
         {},
         AnsweredKey{keys::leftArrow, "", true, true},
         {},
         false},
        {"shortcuts pass", pre, {}, AnsweredKey{keys::a, "c", false, true}, {}, false},
        {"a replacement after a delay",
         pre,
         {{kinds::replace, 6, "mới ", ""}},
         std::nullopt,
         {erase(6), commit("mới ")},
         false},
        {"a paste and a key after a delay",
         pre,
         {{kinds::paste, 0, "", ""}, {kinds::key, keys::tab, "", ""}},
         std::nullopt,
         {{K::pasteShortcut, {}, 0, 0}, {K::forwardKey, {}, 0, keys::tab}},
         false},
        {"edits of a newer desktop are left out", pre, {{99, 1, "x", ""}}, std::nullopt, {}, false},
        {"surrounding: a letter that types itself is committed",
         surround,
         {{kinds::composeByKey, 2, "via", "vi"}},
         letter("a", true),
         {commit("a")},
         true},
        {"surrounding: a correction rewrites only what differs",
         surround,
         {{kinds::compose, 3, "viê", "vie"}},
         letter("e", false),
         {erase(1), commit("ê")},
         true},
        {"surrounding: Space behind an unchanged word is committed too",
         surround,
         {{kinds::commit, 4, "việt", "việt"}},
         space(true),
         {commit(" ")},
         true},
        {"surrounding: Return passes",
         surround,
         {{kinds::commit, 4, "việt", "việt"}},
         AnsweredKey{keys::returnKey, "\r", true, true},
         {},
         false},
        {"direct: a letter that types itself passes",
         direct,
         {{kinds::composeByKey, 2, "via", "vi"}},
         letter("a", true),
         {},
         false},
        {"direct: only what differs is rewritten",
         direct,
         {{kinds::compose, 3, "viê", "vie"}},
         letter("e", false),
         {erase(1), commit("ê")},
         true},
        {"direct: a whole character goes, not a byte of it",
         direct,
         {{kinds::compose, 3, "viế", "viê"}},
         letter("s", false),
         {erase(1), commit("ế")},
         true},
        {"direct: an unchanged word lets Space pass",
         direct,
         {{kinds::commit, 4, "việt", "việt"}},
         space(true),
         {},
         false},
        {"direct: a code begins behind a restored word",
         direct,
         {{kinds::commit, 5, "email", "ẻmail"}, {kinds::composeByKey, 0, ";", ""}},
         AnsweredKey{keys::semicolon, ";", true, false},
         {erase(5), commit("email;")},
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ClientPlan plan = planEdits(c.edits, c.road, c.key);
        EXPECT_EQ(plan.steps, c.steps);
        EXPECT_EQ(plan.keyTaken, c.keyTaken);
    }
}

// A context's road changes when its client first reports its text, which
// Qt does a moment after a commit, maybe in the middle of the next word.
TEST(EditPlanTest, WordShownAsPreeditIsWrittenWhenTheRoadChanges) {
    const std::vector<WireEdit> edits{{kinds::composeByKey, 1, "Na", "N"}};
    EXPECT_EQ(planEdits(edits, ClientRoad::surrounding, letter("a", true), "N").steps,
              (std::vector<Step>{commit("Na")}));
    EXPECT_EQ(planEdits(edits, ClientRoad::preedit, letter("a", true), "N").steps,
              (std::vector<Step>{preedit("Na")}));
}

}  // namespace
}  // namespace halvora::bridge
