#include "cli/ComposeSession.h"
#include "text/Unicode.h"

#include <gtest/gtest.h>

#include <string>

namespace halvora::cli {
namespace {

struct ComposeCase {
    ComposeOptions options;
    std::string input;
    std::string expected;
};

TEST(ComposeSessionTest, ComposesWordsAndCopiesEverythingElse) {
    const ComposeOptions telex{};
    const ComposeOptions vni{.vni = true};
    const ComposeOptions old{.oldTone = true};
    const ComposeCase cases[] = {
        {telex, "Tieengs Vieetj ddaay laf nguowif", "Tiếng Việt đây là người"},
        {vni, "Tie61ng Vie65t", "Tiếng Việt"},
        {old, "hoaf", "hòa"},
        {telex, "hoaf", "hoà"},
        {telex, "xin chaof, banj!\n(tooi) \"ddi\"", "xin chào, bạn!\n(tôi) \"đi\""},
        // In Telex a digit ends the word; in VNI it composes.
        {telex, "vieet5j", "viêt5j"},
        {vni, "vie65t 2026", "việt 2026"},
        // Words restored at the boundary, English words left alone.
        {telex, "fax wifi email test ass", "fax wifi email test as"},
        {telex, "", ""},
        {telex, "   ", "   "},
        // Decomposed input is composed first, so it reads like typed letters.
        {telex, "tie\u0302\u0301ng", "tiếng"},
        {telex, "Hello, email me at 9am", "Hello, email me at 9am"},
    };
    for (const ComposeCase& c : cases) {
        EXPECT_EQ(composeText(c.input, c.options), c.expected) << c.input;
    }
}

TEST(ComposeSessionTest, TraceGivesOneTabSeparatedLinePerWord) {
    const std::string trace = composeText("vieetj, mwois ddd; fax", {.trace = true});
    EXPECT_EQ(trace,
              "vieetj\tviệt\tviệt\t0\t\n"
              "mwois\tmwói\tmwois\t0\tmới\n"
              "ddd\tdd\tdd\t1\t\n"
              "fax\tfã\tfax\t0\t\n");
}

TEST(ComposeSessionTest, TraceSuggestionsFollowToneRuleAndMethod) {
    EXPECT_EQ(composeText("ohaf", {.trace = true}), "ohaf\tohaf\tohaf\t0\thoà\n");
    EXPECT_EQ(composeText("ohaf", {.oldTone = true, .trace = true}), "ohaf\tohaf\tohaf\t0\thòa\n");
    // VNI never suggests, even for a word that would get one in Telex.
    EXPECT_EQ(composeText("mwois", {.vni = true, .trace = true}), "mwois\tmwois\tmwois\t0\t\n");
}

TEST(ComposeSessionTest, StreamingInPiecesMatchesWholeText) {
    const std::string input =
        "Tieengs Vieetj laf ngoon nguwx cuar nguowif Vieetj Nam.\nDDaay laf tieengs Vieetj!";
    const std::u32string characters = text::toUtf32(input);
    const std::string whole = composeText(input, {});
    for (std::size_t piece : {1u, 2u, 5u, 13u}) {
        ComposeSession session({});
        std::string out;
        for (std::size_t i = 0; i < characters.size(); i += piece) {
            session.type(std::u32string_view(characters).substr(i, piece), out);
        }
        session.finish(out);
        EXPECT_EQ(out, whole) << "piece " << piece;
    }
}

}  // namespace
}  // namespace halvora::cli
