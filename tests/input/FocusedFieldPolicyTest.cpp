#include "input/FocusedFieldPolicy.h"

#include "platform/sim/SimDesktop.h"

#include <gtest/gtest.h>

namespace halvora::input {
namespace {

using platform::ElementAttributes;
using platform::sim::SimDesktop;

struct ClassifyCase {
    const char* name;
    std::string role;
    std::string subrole;
    std::vector<std::string> labels;  // description, title, placeholder
    bool inBrowser;
    FocusedFieldKind expected;
};

class ClassifyTest : public testing::TestWithParam<ClassifyCase> {};

TEST_P(ClassifyTest, SortsTheField) {
    const auto& c = GetParam();
    EXPECT_EQ(FocusedFieldPolicy::classify(c.role, c.subrole, c.labels, c.inBrowser), c.expected);
}

constexpr auto ordinary = FocusedFieldKind::ordinary;
constexpr auto sensitive = FocusedFieldKind::sensitive;
constexpr auto addressBar = FocusedFieldKind::addressBar;

INSTANTIATE_TEST_SUITE_P(
    Fields, ClassifyTest,
    testing::Values(
        ClassifyCase{"PlainTextField", "AXTextField", "", {"Tin nhắn", "", ""}, false, ordinary},
        ClassifyCase{"SecureFieldAnywhere",
                     "AXTextField",
                     "AXSecureTextField",
                     {"", "", ""},
                     false,
                     sensitive},
        ClassifyCase{"SecureSubroleWhateverTheRole",
                     "AXGroup",
                     "AXSecureTextField",
                     {"Search", "", ""},
                     true,
                     sensitive},
        ClassifyCase{
            "CardNumberAnyCase", "AXTextField", "", {"", "Card Number", ""}, false, sensitive},
        ClassifyCase{
            "VietnameseCardPlaceholder", "AXTextField", "", {"", "", "Số Thẻ"}, false, sensitive},
        ClassifyCase{"DecomposedVietnameseLabel",
                     "AXTextField",
                     "",
                     {"ma\u0303 ba\u0309o ma\u0323\u0302t", "", ""},
                     false,
                     sensitive},
        ClassifyCase{"PhraseInsideLongerLabel",
                     "AXTextField",
                     "",
                     {"Enter your CVV here", "", ""},
                     false,
                     sensitive},
        ClassifyCase{"PhraseAcrossJoinedLabels",
                     "AXTextField",
                     "",
                     {"credit", "card", ""},
                     false,
                     sensitive},
        ClassifyCase{"PhraseNeedsTheJoiningSpace",
                     "AXTextField",
                     "",
                     {"credi", "t card", ""},
                     false,
                     ordinary},
        ClassifyCase{"SensitiveBeforeBrowser",
                     "AXTextField",
                     "AXSearchField",
                     {"Security code", "", ""},
                     true,
                     sensitive},
        ClassifyCase{
            "TextAreaNeverClassified", "AXTextArea", "", {"card number", "", ""}, false, ordinary},
        ClassifyCase{"ComboBoxNeverClassified",
                     "AXComboBox",
                     "AXSearchField",
                     {"address bar", "", ""},
                     true,
                     ordinary},
        ClassifyCase{
            "SearchFieldInBrowser", "AXTextField", "AXSearchField", {"", "", ""}, true, addressBar},
        ClassifyCase{"SearchFieldOutsideBrowser",
                     "AXTextField",
                     "AXSearchField",
                     {"", "", ""},
                     false,
                     ordinary},
        ClassifyCase{"AddressAndSearchBar",
                     "AXTextField",
                     "",
                     {"Address and search bar", "", ""},
                     true,
                     addressBar},
        ClassifyCase{
            "VietnameseAddressBar", "AXTextField", "", {"", "Thanh địa chỉ", ""}, true, addressBar},
        ClassifyCase{"AddressLabelOutsideBrowser",
                     "AXTextField",
                     "",
                     {"Address bar", "", ""},
                     false,
                     ordinary},
        ClassifyCase{"NoLabels", "AXTextField", "", {}, true, ordinary}),
    [](const auto& info) { return std::string(info.param.name); });

class InspectTest : public testing::Test {
  protected:
    InspectTest() {
        browser = desktop.launch("Safari", "com.apple.Safari");
        desktop.bringToFront(browser);
    }

    SimDesktop desktop;
    platform::ProcessId browser = 0;
};

TEST_F(InspectTest, ReadsRoleSubroleAndLabelsOfTheFocusedElement) {
    auto& address =
        desktop.addField(browser, {.role = "AXTextField", .description = "Address and search bar"});
    EXPECT_EQ(FocusedFieldPolicy::inspect(desktop, true), addressBar);
    EXPECT_EQ(FocusedFieldPolicy::inspect(desktop, false), ordinary);

    auto& card =
        desktop.addField(browser, {.role = "AXTextField", .placeholderValue = "Card expiry"});
    EXPECT_EQ(FocusedFieldPolicy::inspect(desktop, true), sensitive);

    desktop.addField(browser, {.role = "AXTextField", .subrole = "AXSecureTextField"});
    EXPECT_EQ(FocusedFieldPolicy::inspect(desktop, false), sensitive);

    desktop.focus(address);
    EXPECT_EQ(FocusedFieldPolicy::inspect(desktop, true), addressBar);
    desktop.focus(card);
    EXPECT_EQ(FocusedFieldPolicy::inspect(desktop, false), sensitive);
}

TEST_F(InspectTest, AnApplicationThatAnswersTooSlowlyCountsAsOrdinary) {
    desktop.addField(browser, {.role = "AXTextField", .subrole = "AXSecureTextField"});
    desktop.setResponseDelay(browser, 0.04);
    EXPECT_EQ(FocusedFieldPolicy::inspect(desktop, true), sensitive);
    desktop.setResponseDelay(browser, 0.06);
    EXPECT_EQ(FocusedFieldPolicy::inspect(desktop, true), ordinary);
}

TEST_F(InspectTest, UnreadableFocusCountsAsOrdinary) {
    EXPECT_EQ(FocusedFieldPolicy::inspect(desktop, true), ordinary);  // no focused element

    desktop.addField(browser, {.role = "AXTextField", .subrole = "AXSecureTextField"});
    desktop.setAccessibilityFails(true);
    EXPECT_EQ(FocusedFieldPolicy::inspect(desktop, true), ordinary);
    desktop.setAccessibilityFails(false);
    desktop.setTrusted(false);
    EXPECT_EQ(FocusedFieldPolicy::inspect(desktop, true), ordinary);
}

struct BrowserCase {
    std::optional<std::string> bundleIdentifier;
    bool expected;
};

class IsBrowserTest : public testing::TestWithParam<BrowserCase> {};

TEST_P(IsBrowserTest, MatchesTheBrowserListWithoutRegardToCase) {
    const auto& c = GetParam();
    const auto id =
        c.bundleIdentifier ? std::optional<std::string_view>(*c.bundleIdentifier) : std::nullopt;
    EXPECT_EQ(FocusedFieldPolicy::isBrowser(id), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Bundles, IsBrowserTest,
                         testing::Values(BrowserCase{"com.apple.Safari", true},
                                         BrowserCase{"com.google.Chrome", true},
                                         BrowserCase{"company.thebrowser.Browser", true},
                                         BrowserCase{"com.operasoftware.Opera", true},
                                         BrowserCase{"com.apple.Safari.WebApp", false},
                                         BrowserCase{"com.apple.Notes", false},
                                         BrowserCase{"", false}, BrowserCase{std::nullopt, false}));

}  // namespace
}  // namespace halvora::input
