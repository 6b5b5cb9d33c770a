#include "bridge/BridgeProtocol.h"
#include "bridge/ibus/IBusContextFacts.h"

#include <ibus.h>

#include <gtest/gtest.h>

namespace halvora::bridge::ibus {
namespace {

namespace field = protocol::fieldFlags;

TEST(IBusContextFactsTest, ContentTypesBecomeFieldFlags) {
    struct Case {
        const char* name;
        std::uint32_t purpose;
        std::uint32_t hints;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"free form", IBUS_INPUT_PURPOSE_FREE_FORM, IBUS_INPUT_HINT_SPELLCHECK, 0},
        {"password", IBUS_INPUT_PURPOSE_PASSWORD, 0, field::password},
        {"pin", IBUS_INPUT_PURPOSE_PIN, 0, field::sensitive},
        {"private hint", IBUS_INPUT_PURPOSE_FREE_FORM, IBUS_INPUT_HINT_PRIVATE, field::sensitive},
        {"url", IBUS_INPUT_PURPOSE_URL, 0, field::url},
        {"private url", IBUS_INPUT_PURPOSE_URL, IBUS_INPUT_HINT_PRIVATE,
         field::url | field::sensitive},
        {"terminal", IBUS_INPUT_PURPOSE_TERMINAL, 0, field::terminal},
        {"email is ordinary", IBUS_INPUT_PURPOSE_EMAIL, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fieldFlagsFor(c.purpose, c.hints), c.expected) << c.name;
    }
}

TEST(IBusContextFactsTest, ProgramsFromTheClientName) {
    EXPECT_EQ(programOfClient("gtk3-im:firefox-esr"), "firefox-esr");
    EXPECT_EQ(programOfClient("gtk4-im:org.gnome.TextEditor"), "org.gnome.TextEditor");
    EXPECT_EQ(programOfClient("gtk-im:gedit"), "gedit");
    EXPECT_EQ(programOfClient("gtk-im"), "");
    EXPECT_EQ(programOfClient("QIBusInputContext"), "");
    EXPECT_EQ(programOfClient("gnome-shell"), "");
    EXPECT_EQ(programOfClient("xim"), "");
}

TEST(IBusContextFactsTest, SurroundingTextCountsOnlyOnceReported) {
    const std::uint32_t gtkCaps =
        IBUS_CAP_PREEDIT_TEXT | IBUS_CAP_FOCUS | IBUS_CAP_SURROUNDING_TEXT;
    EXPECT_EQ(roadFor(contextFacts("gedit", 0, 0, gtkCaps, true)), ClientRoad::surrounding);
    EXPECT_EQ(roadFor(contextFacts("chromium", 0, 0, gtkCaps, false)), ClientRoad::preedit);
    EXPECT_EQ(roadFor(contextFacts("", 0, 0, IBUS_CAP_FOCUS, true)), ClientRoad::direct);
}

}  // namespace
}  // namespace halvora::bridge::ibus
