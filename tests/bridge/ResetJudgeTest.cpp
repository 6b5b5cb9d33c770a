// Telling the user's clicks from a client's resets after a commit.

#include "bridge/ResetJudge.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace halvora::bridge {
namespace {

struct Case {
    const char* name;
    std::string wrote;
    std::uint32_t deleted;
    std::string wroteAfter;
    bool wordShown;
    bool judgeable;
    std::optional<std::string> beforeCaret;
    bool clickNow;
    bool clickLater;
};

TEST(ResetJudgeTest, ResetsAfterCommitsAreNotClicks) {
    const std::string longWord(80, 'a');
    const Case cases[] = {
        {"the word shown ends", "xin ", 0, "", true, true, "xin ", true, false},
        {"a client that reports nothing", "xin ", 0, "", false, false, "xin ", true, false},
        {"nothing written since the text was known", "", 0, "", false, true, "xin ", true, false},
        {"the caret still behind the commit", "mwois ", 0, "", false, true, "xin mwois ", false,
         false},
        {"the caret moved", "mwois ", 0, "", false, true, "xin ", false, true},
        {"no text reported at the key", "mwois ", 0, "", false, true, std::nullopt, false, true},
        {"a replacement in place", "mwois ", 6, "mới ", false, true, "xin mới ", false, false},
        {"deleted past what was written", "ới ", 4, "", false, true, "xin m", true, false},
        {"only the end of a long commit is kept", longWord, 0, "", false, true, "x" + longWord,
         false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetJudge judge;
        judge.wrote(c.wrote);
        judge.deleted(c.deleted);
        judge.wrote(c.wroteAfter);
        EXPECT_EQ(judge.resetIsClick(c.wordShown, c.judgeable), c.clickNow);
        EXPECT_EQ(judge.pendingResetWasClick(c.beforeCaret), c.clickLater);
    }
}

TEST(ResetJudgeTest, ForgottenTextMakesTheNextResetAClick) {
    ResetJudge judge;
    judge.wrote("mwois ");
    judge.forget();
    EXPECT_TRUE(judge.resetIsClick(false, true));
}

}  // namespace
}  // namespace halvora::bridge
