#include "Keystrokes.h"

#include "engine/VietInputEngine.h"
#include "engine/VietnameseSyllable.h"
#include "text/Unicode.h"

#include <gtest/gtest.h>

namespace halvora::engine {
namespace {

std::string typeWord(const std::string& keys, bool vni) {
    VietInputEngine engine;
    engine.vniMode = vni;
    for (char32_t key : text::toUtf32(keys)) {
        engine.feed(key);
    }
    return engine.peekCommitText(true, U' ');
}

// Everyday words typed the way people type them come out as written, in both
// conventions; and each is a syllable the engine accepts at the boundary.
TEST(CorpusTest, EverydayWordsRoundTripInTelexAndVni) {
    const auto& words = testing::vietnameseWords();
    ASSERT_GT(words.size(), 300u);
    for (const std::string& word : words) {
        EXPECT_TRUE(VietnameseSyllable::isValid(word)) << word;
        EXPECT_EQ(typeWord(testing::telexKeys(word), false), word) << testing::telexKeys(word);
        EXPECT_EQ(typeWord(testing::vniKeys(word), true), word) << testing::vniKeys(word);
    }
}

TEST(CorpusTest, KeystrokeSpellings) {
    EXPECT_EQ(testing::telexKeys("người"), "nguwowif");
    EXPECT_EQ(testing::vniKeys("người"), "ngu7o7i2");
    EXPECT_EQ(testing::telexKeys("Đặc"), "DDawcj");
    EXPECT_EQ(testing::vniKeys("Đặc"), "D9a8c5");
    EXPECT_EQ(testing::telexKeys("ÂM"), "AAM");
}

}  // namespace
}  // namespace halvora::engine
