#include "input/AppModePolicy.h"

#include "platform/InMemoryUserDefaults.h"

#include <gtest/gtest.h>

namespace halvora::input {
namespace {

using platform::InMemoryUserDefaults;
using platform::RunningApplication;

struct DefaultCase {
    std::string bundleID;
    std::optional<std::string> category;
    std::optional<bool> expected;
};

class DefaultModeTest : public testing::TestWithParam<DefaultCase> {};

TEST_P(DefaultModeTest, BuiltInDefault) {
    const auto& c = GetParam();
    const auto category = c.category ? std::optional<std::string_view>(*c.category) : std::nullopt;
    EXPECT_EQ(AppModePolicy::defaultMode(c.bundleID, category), c.expected) << c.bundleID;
}

const std::string games = "public.app-category.games";

INSTANTIATE_TEST_SUITE_P(
    Bundles, DefaultModeTest,
    testing::Values(
        DefaultCase{"com.apple.Safari", std::nullopt, true},
        DefaultCase{"com.microsoft.Word", std::nullopt, true},
        DefaultCase{"com.apple.TextEdit", std::nullopt, true},
        DefaultCase{"com.apple.Terminal", std::nullopt, false},
        DefaultCase{"com.todesktop.230313mzl4w4u92", std::nullopt, false},
        DefaultCase{"com.valvesoftware.steam", std::nullopt, false},
        // The lists win over the category.
        DefaultCase{"com.apple.Notes", games, true}, DefaultCase{"com.example.Chess", games, false},
        DefaultCase{"com.example.Chess", "public.app-category.games.board", std::nullopt},
        DefaultCase{"com.example.Chess", "public.app-category.productivity", std::nullopt},
        DefaultCase{"com.vng.zalo", std::nullopt, std::nullopt},
        DefaultCase{"", std::nullopt, std::nullopt}));

RunningApplication app(std::optional<std::string> bundleIdentifier,
                       std::optional<std::string> category = std::nullopt) {
    return RunningApplication{200, std::move(bundleIdentifier), "App", std::move(category)};
}

struct ModeCase {
    const char* name;
    RunningApplication application;
    std::vector<std::pair<std::string, platform::DefaultsValue>> stored;
    std::optional<bool> expected;
};

class ModeTest : public testing::TestWithParam<ModeCase> {};

TEST_P(ModeTest, RememberedThenBuiltIn) {
    const auto& c = GetParam();
    InMemoryUserDefaults defaults;
    for (const auto& [key, value] : c.stored) {
        defaults.set(key, value);
    }
    EXPECT_EQ(AppModePolicy::mode(c.application, defaults), c.expected);
}

using Stored = std::vector<std::pair<std::string, platform::DefaultsValue>>;

INSTANTIATE_TEST_SUITE_P(
    Apps, ModeTest,
    testing::Values(
        ModeCase{"SmartSwitchingNeverSet", app("com.apple.Terminal"), {}, false},
        ModeCase{"RememberedWinsOverList", app("com.apple.Terminal"),
                 Stored{{"mode.com.apple.Terminal", true}}, true},
        ModeCase{"RememberedWinsWithSmartSwitchingOff", app("com.apple.Terminal"),
                 Stored{{"mode.com.apple.Terminal", true}, {"smartAppSwitchingEnabled", false}},
                 true},
        ModeCase{"RememberedOffInABrowser", app("com.apple.Safari"),
                 Stored{{"mode.com.apple.Safari", false}}, false},
        ModeCase{"SmartSwitchingOffGivesNothing", app("com.apple.Safari"),
                 Stored{{"smartAppSwitchingEnabled", false}}, std::nullopt},
        ModeCase{"SmartSwitchingOn", app("com.apple.Safari"),
                 Stored{{"smartAppSwitchingEnabled", true}}, true},
        ModeCase{"SmartSwitchingOfAnotherTypeCountsAsOn", app("com.apple.Safari"),
                 Stored{{"smartAppSwitchingEnabled", std::string("no")}}, true},
        // Remembered under the identifier's exact case only.
        ModeCase{"RememberedKeyIsCaseSensitive", app("com.apple.Safari"),
                 Stored{{"mode.com.apple.safari", false}}, true},
        ModeCase{"RememberedValueOfAnotherTypeIgnored", app("com.apple.Terminal"),
                 Stored{{"mode.com.apple.Terminal", std::int64_t{1}}}, false},
        ModeCase{"GameCategoryFromTheBundle", app("com.example.Chess", games), {}, false},
        ModeCase{"UnknownApp", app("com.vng.zalo"), {}, std::nullopt},
        ModeCase{"RememberedForUnknownApp", app("com.vng.zalo"),
                 Stored{{"mode.com.vng.zalo", true}}, true},
        ModeCase{"NoBundleIdentifier", app(std::nullopt), Stored{{"mode.", true}}, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace halvora::input
