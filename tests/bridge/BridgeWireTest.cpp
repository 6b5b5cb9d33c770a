// The bridge's frames: what one end writes the other reads back, however the
// bytes arrive, and nothing hostile gets through.

#include "bridge/BridgeWire.h"

#include <gtest/gtest.h>

#include <string>

namespace halvora::bridge::wire {
namespace {

Message reply() {
    Message message;
    message.type = Type::keyReply;
    message.serial = 0x1122334455667788;
    message.pass = false;
    message.edits = {{3, 5, "email", "ẻmail"}, {5, 49, "", ""}};
    return message;
}

TEST(BridgeWireTest, MessagesSurviveAnyCutOfTheStream) {
    Message key;
    key.type = Type::keyDown;
    key.keyCode = 0;
    key.flags = 0x20000;
    key.text = "Ạ";
    key.program = "firefox";
    key.contextId = ~0ull;
    const std::string bytes = encode(key) + encode(reply());
    for (std::size_t step : {std::size_t{1}, std::size_t{7}, bytes.size()}) {
        SCOPED_TRACE(step);
        Decoder decoder;
        std::vector<Message> read;
        for (std::size_t at = 0; at < bytes.size(); at += step) {
            decoder.feed(std::string_view(bytes).substr(at, step));
            while (auto message = decoder.next()) {
                read.push_back(*message);
            }
        }
        EXPECT_FALSE(decoder.broken());
        EXPECT_EQ(read, (std::vector<Message>{key, reply()}));
    }
}

TEST(BridgeWireTest, HostileFramesBreakTheStream) {
    const std::string good = encode(reply());
    std::string unknownType = good;
    unknownType[4] = 99;
    std::string trailing = good + "x";
    trailing[0] = static_cast<char>(good.size() - 4 + 1);
    std::string manyEdits = good;
    // The edit count, right after the fixed fields, claims far more than the frame holds.
    manyEdits[4 + 1 + 8 + 4 + 8 + 4 + 0 + 4 + 0 + 4 + 8 + 1 + 3] = '\x7f';
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"a frame larger than any message", std::string("\xff\xff\xff\x7f", 4)},
        {"an unknown type", unknownType},
        {"bytes after the last field", trailing},
        {"more edits than bytes", manyEdits},
        {"fields running past the frame", std::string("\x03\x00\x00\x00\x02\x01\x02", 7)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Decoder decoder;
        decoder.feed(c.bytes + good);
        EXPECT_FALSE(decoder.next().has_value());
        EXPECT_TRUE(decoder.broken());
        EXPECT_FALSE(decoder.next().has_value()) << "nothing after a broken frame is trusted";
    }
    Decoder partial;
    partial.feed(std::string_view(good).substr(0, good.size() - 1));
    EXPECT_FALSE(partial.next().has_value());
    EXPECT_FALSE(partial.broken()) << "half a frame is only not there yet";
}

}  // namespace
}  // namespace halvora::bridge::wire
