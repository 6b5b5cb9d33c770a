#include "util/Uuid.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace halvora::util {
namespace {

TEST(UuidTest, ParseAcceptsTheCanonicalFormInEitherCase) {
    const auto upper = Uuid::parse("E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    const auto lower = Uuid::parse("e621e1f8-c36c-495a-93fc-0c247a3e6e5f");
    ASSERT_TRUE(upper && lower);
    EXPECT_EQ(*upper, *lower);
    EXPECT_EQ(lower->text(), "E621E1F8-C36C-495A-93FC-0C247A3E6E5F");
    EXPECT_EQ(upper->bytes()[0], 0xE6);
    EXPECT_EQ(upper->bytes()[15], 0x5F);
}

TEST(UuidTest, ParseRejectsEverythingElse) {
    for (const std::string text :
         {"", "E621E1F8C36C495A93FC0C247A3E6E5F", "{E621E1F8-C36C-495A-93FC-0C247A3E6E5F}",
          "E621E1F8-C36C-495A-93FC-0C247A3E6E5", "E621E1F8-C36C-495A-93FC-0C247A3E6E5FF",
          "E621E1F8-C36C-495A-93FC_0C247A3E6E5F", "G621E1F8-C36C-495A-93FC-0C247A3E6E5F",
          "E621E1F8-C36C-495A-93F-C0C247A3E6E5F", " E621E1F8-C36C-495A-93FC-0C247A3E6E5"}) {
        EXPECT_FALSE(Uuid::parse(text).has_value()) << text;
    }
}

TEST(UuidTest, RandomUuidsAreVersion4AndDistinct) {
    std::set<Uuid> seen;
    for (int i = 0; i < 200; ++i) {
        const Uuid uuid = Uuid::random();
        const std::string text = uuid.text();
        EXPECT_EQ(text[14], '4') << text;
        EXPECT_NE(std::string("89AB").find(text[19]), std::string::npos) << text;
        EXPECT_EQ(Uuid::parse(text), uuid);
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 200u);
}

}  // namespace
}  // namespace halvora::util
