#include "util/Signal.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace halvora::util {
namespace {

TEST(SignalTest, SlotsRunInOrderUntilTheirConnectionGoes) {
    Signal<int> signal;
    std::vector<int> calls;
    Connection first = signal.connect([&](int v) { calls.push_back(v); });
    std::optional<Connection> second = signal.connect([&](int v) { calls.push_back(v * 10); });
    signal.emit(1);
    second.reset();
    signal.emit(2);
    Connection moved = std::move(first);
    signal.emit(3);
    EXPECT_EQ(calls, (std::vector<int>{1, 10, 2, 3}));
    EXPECT_EQ(signal.slotCount(), 1u);
    moved.disconnect();
    EXPECT_FALSE(moved.connected());
    EXPECT_EQ(signal.slotCount(), 0u);
}

TEST(SignalTest, DisconnectingDuringEmissionSkipsTheSlotAtOnce) {
    Signal<> signal;
    std::vector<int> calls;
    Connection later;
    Connection first = signal.connect([&] {
        calls.push_back(1);
        later.disconnect();
    });
    later = signal.connect([&] { calls.push_back(2); });
    signal.emit();
    EXPECT_EQ(calls, std::vector<int>{1});
}

TEST(SignalTest, ConnectionMayOutliveTheSignal) {
    Connection connection;
    {
        Signal<> signal;
        connection = signal.connect([] {});
    }
    EXPECT_TRUE(connection.connected());
    connection.disconnect();  // must not touch the destroyed signal
    EXPECT_FALSE(connection.connected());
}

TEST(SignalTest, SlotsConnectedDuringEmissionWaitForTheNextOne) {
    Signal<> signal;
    int inner = 0;
    std::vector<Connection> connections;
    connections.push_back(
        signal.connect([&] { connections.push_back(signal.connect([&] { ++inner; })); }));
    signal.emit();
    EXPECT_EQ(inner, 0);
    signal.emit();
    EXPECT_EQ(inner, 1);
}

}  // namespace
}  // namespace halvora::util
