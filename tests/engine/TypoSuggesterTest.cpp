#include "engine/TypoSuggester.h"
#include "platform/InMemoryUserDefaults.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace halvora::engine {
namespace {

struct SuggestCase {
    std::string raw;
    std::string shown;
    InputMethod method;
    std::optional<std::string> expected;
};

TEST(TypoSuggesterTest, Table) {
    platform::InMemoryUserDefaults defaults;
    const SuggestCase cases[] = {
        {"mwois", "mwois", InputMethod::telex, "mới"},
        {"Mwois", "Mwois", InputMethod::telex, "Mới"},
        // VNI words get none.
        {"mwois", "mwois", InputMethod::vni, std::nullopt},
        // Shown differs from raw: the engine already composed the word.
        {"mowis", "mới", InputMethod::telex, std::nullopt},
        // Too short or too long, even when a swap would fix it.
        {"mwos", "mwos", InputMethod::telex, "mớ"},
        {"wos", "wos", InputMethod::telex, std::nullopt},
        {"nghwuowif", "nghwuowif", InputMethod::telex, "nghười"},
        {"nghwuowifs", "nghwuowifs", InputMethod::telex, std::nullopt},
        // Not ending in a tone key.
        {"mwoi", "mwoi", InputMethod::telex, std::nullopt},
        // Non-letters and non-ASCII letters.
        {"mwo1s", "mwo1s", InputMethod::telex, std::nullopt},
        {"mwóis", "mwóis", InputMethod::telex, std::nullopt},
        // A shown word that is already a valid syllable is never searched.
        {"toans", "toán", InputMethod::telex, std::nullopt},
        // A swap that gives the same word as shown is not a suggestion;
        // equal neighbours are skipped.
        {"ttts", "ttts", InputMethod::telex, std::nullopt},
        {"tenas", "tenas", InputMethod::telex, "téan"},
    };
    for (const SuggestCase& c : cases) {
        SCOPED_TRACE(c.raw + (c.method == InputMethod::vni ? " VNI" : " Telex"));
        EXPECT_EQ(TypoSuggester::suggest(c.raw, c.shown, c.method, defaults), c.expected);
    }
}

TEST(TypoSuggesterTest, OnlyASingleDistinctSyllableIsSuggested) {
    platform::InMemoryUserDefaults defaults;
    // "ahnf": the swap a,h gives "hanf" → "hàn" and h,n gives "anhf" → "ành".
    EXPECT_EQ(TypoSuggester::suggest("ahnf", "ahnf", InputMethod::telex, defaults), std::nullopt);
    // "uawais": two different swaps both commit "ưấi", which counts once.
    EXPECT_EQ(TypoSuggester::suggest("uawais", "uawais", InputMethod::telex, defaults), "ưấi");
}

TEST(TypoSuggesterTest, TonePlacementFollowsTheSettingAtCallTime) {
    platform::InMemoryUserDefaults defaults;
    // "ohaf" → swap at 0 gives "hoaf".
    EXPECT_EQ(TypoSuggester::suggest("ohaf", "ohaf", InputMethod::telex, defaults), "hoà");
    defaults.set("modernTone", false);
    EXPECT_EQ(TypoSuggester::suggest("ohaf", "ohaf", InputMethod::telex, defaults), "hòa");
    // A value that is not a Boolean counts as the default, modern placement.
    defaults.set("modernTone", "no");
    EXPECT_EQ(TypoSuggester::suggest("ohaf", "ohaf", InputMethod::telex, defaults), "hoà");
}

}  // namespace
}  // namespace halvora::engine
