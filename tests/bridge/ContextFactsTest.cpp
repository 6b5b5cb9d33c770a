#include "bridge/BridgeProtocol.h"
#include "bridge/ContextFacts.h"

#include <gtest/gtest.h>

namespace halvora::bridge {
namespace {

namespace field = protocol::fieldFlags;

struct RoadCase {
    const char* name;
    ContextFacts facts;
    ClientRoad expected;
};

TEST(ContextFactsTest, EachClientGetsTheRoadItKeepsInOrder) {
    const RoadCase cases[] = {
        {"surrounding text wins over pre-edit", {"gedit", 0, true, true}, ClientRoad::surrounding},
        {"gecko composes even with surrounding text",
         {"firefox-esr", 0, true, true},
         ClientRoad::preedit},
        {"gecko without pre-edit uses what it reports",
         {"firefox", 0, false, true},
         ClientRoad::surrounding},
        {"pre-edit only", {"chromium", 0, true, false}, ClientRoad::preedit},
        {"neither", {"xterm", 0, false, false}, ClientRoad::direct},
        {"password", {"gedit", field::password, true, true}, ClientRoad::direct},
        {"sensitive", {"chromium", field::sensitive, true, false}, ClientRoad::direct},
        {"an address bar still composes in its road",
         {"chromium", field::url, true, false},
         ClientRoad::preedit},
    };
    for (const RoadCase& c : cases) {
        EXPECT_EQ(roadFor(c.facts), c.expected) << c.name;
    }
}

TEST(ContextFactsTest, TerminalsByHintOrByProgram) {
    EXPECT_TRUE(isTerminal({"", field::terminal}));
    EXPECT_TRUE(isTerminal({"/usr/bin/kitty", 0}));
    EXPECT_FALSE(isTerminal({"gedit", field::url}));
}

}  // namespace
}  // namespace halvora::bridge
