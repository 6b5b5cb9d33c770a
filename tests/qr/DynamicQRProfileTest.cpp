#include "qr/DynamicQRProfile.h"

#include "platform/InMemoryUserDefaults.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace halvora::qr {
namespace {

TEST(DynamicQRProfileTest, LoadWithoutKeysGivesEmptyStringsAndRandomMemo) {
    const platform::InMemoryUserDefaults defaults;
    const DynamicQRProfile profile = DynamicQRProfile::load(defaults);
    EXPECT_EQ(profile, (DynamicQRProfile{"", "", "", "", true, ""}));
    EXPECT_FALSE(profile.isConfigured());
}

TEST(DynamicQRProfileTest, LoadTakesStoredValuesAsTheyAre) {
    platform::InMemoryUserDefaults defaults;
    defaults.set("qr.bankID", " vcb ");
    defaults.set("qr.accountNumber", "0123 456");
    defaults.set("qr.accountName", "Nguyễn Thị Lan");
    defaults.set("qr.amount", "150000");
    defaults.set("qr.randomMemo", false);
    defaults.set("qr.defaultMemo", "Cảm ơn anh\n");
    EXPECT_EQ(
        DynamicQRProfile::load(defaults),
        (DynamicQRProfile{" vcb ", "0123 456", "Nguyễn Thị Lan", "150000", false, "Cảm ơn anh\n"}));
}

TEST(DynamicQRProfileTest, ValuesOfAnotherTypeLoadAsIfAbsent) {
    platform::InMemoryUserDefaults defaults;
    defaults.set("qr.bankID", platform::DefaultsValue(std::int64_t{970436}));
    defaults.set("qr.accountNumber", true);
    defaults.set("qr.accountName", platform::DefaultsValue(std::vector<std::string>{"A"}));
    defaults.set("qr.amount", platform::DefaultsValue(1.5));
    defaults.set("qr.defaultMemo", false);
    for (const platform::DefaultsValue& randomMemo :
         {platform::DefaultsValue(std::string("false")), platform::DefaultsValue(std::int64_t{0}),
          platform::DefaultsValue(0.0)}) {
        defaults.set("qr.randomMemo", randomMemo);
        EXPECT_EQ(DynamicQRProfile::load(defaults), (DynamicQRProfile{"", "", "", "", true, ""}));
    }
}

TEST(DynamicQRProfileTest, IsConfigured) {
    const struct {
        std::string bankID, accountNumber, accountName;
        bool expected;
    } cases[] = {
        {"VCB", "0123456789", "NGUYEN VAN A", true},
        {"970436", "1", "x", true},
        {"   ", "0123456789", "A", false},
        {"VCB", "\t \t", "A", false},
        {"VCB", "0123456789", "\u00a0\u3000", false},  // Unicode spaces count as spaces
        {"VCB", "0123456789", "", false},
        {"VCB", "0123456789", "\n", true},  // line breaks are not trimmed by this test
        {"VCB", "\r\n", "A", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bankID + "|" + c.accountNumber + "|" + c.accountName);
        DynamicQRProfile profile{c.bankID, c.accountNumber, c.accountName, "", true, ""};
        EXPECT_EQ(profile.isConfigured(), c.expected);
        // Amount and memo settings play no part.
        profile.amount = "  ";
        profile.randomMemo = false;
        profile.defaultMemo = "";
        EXPECT_EQ(profile.isConfigured(), c.expected);
    }
}

}  // namespace
}  // namespace halvora::qr
