#include "platform/sim/SimMainQueue.h"
#include "platform/sim/SimWorkerQueue.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace halvora::platform::sim {
namespace {

TEST(SimMainQueueTest, NothingRunsUntilTheClockMoves) {
    SimMainQueue queue;
    int runs = 0;
    queue.async([&] { ++runs; });
    queue.asyncAfter(0.04, [&] { ++runs; });
    EXPECT_EQ(runs, 0);
    queue.runReady();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(queue.pendingCount(), 1u);
}

TEST(SimMainQueueTest, DelayedWorkRunsInTimeOrderTiesInSubmissionOrder) {
    SimMainQueue queue;
    std::string order;
    std::vector<double> clock;
    auto record = [&](char name) {
        return [&, name] {
            order += name;
            clock.push_back(queue.now());
        };
    };
    queue.asyncAfter(0.35, record('d'));
    queue.asyncAfter(0.06, record('b'));
    queue.asyncAfter(0.04, record('a'));
    queue.asyncAfter(0.06, record('c'));
    queue.asyncAfter(0.5, record('x'));

    queue.advance(0.4);

    EXPECT_EQ(order, "abcd");
    EXPECT_EQ(clock, (std::vector<double>{0.04, 0.06, 0.06, 0.35}));
    EXPECT_DOUBLE_EQ(queue.now(), 0.4);
}

TEST(SimMainQueueTest, WorkScheduledByWorkRunsWhenItFallsInsideTheAdvance) {
    SimMainQueue queue;
    std::string order;
    queue.asyncAfter(0.06, [&] {
        order += '1';
        // Chained delays add up exactly: 0.06 + 0.04 is due at 0.1.
        queue.asyncAfter(0.04, [&] { order += '3'; });
        queue.async([&] { order += '2'; });
    });
    queue.asyncAfter(0.1, [&] { order += '4'; });

    queue.advance(0.1);
    // '3' falls due at the same time as '4' but was submitted after it.
    EXPECT_EQ(order, "1243");
}

TEST(SimMainQueueTest, RepeatingTimerFiresEachIntervalUntilCancelled) {
    SimMainQueue queue;
    std::vector<double> firings;
    Registration timer = queue.scheduleRepeating(2.0, [&] { firings.push_back(queue.now()); });

    queue.advance(5.0);
    EXPECT_EQ(firings, (std::vector<double>{2.0, 4.0}));

    timer.cancel();
    queue.advance(10.0);
    EXPECT_EQ(firings.size(), 2u);
}

TEST(SimMainQueueTest, TimerEndsWhenItsRegistrationIsDestroyed) {
    SimMainQueue queue;
    int firings = 0;
    {
        Registration timer = queue.scheduleRepeating(1.0, [&] { ++firings; });
        queue.advance(1.0);
    }
    queue.advance(3.0);
    EXPECT_EQ(firings, 1);
}

TEST(SimMainQueueTest, WorkerHandsResultsBackThroughAsync) {
    SimMainQueue queue;
    SimWorkerQueue worker;
    std::string result;
    worker.async([&] {
        std::thread background([&] { queue.async([&] { result = "ready"; }); });
        background.join();
    });
    EXPECT_EQ(worker.pendingCount(), 1u);
    EXPECT_EQ(worker.runAll(), 1u);
    EXPECT_EQ(result, "");
    queue.runReady();
    EXPECT_EQ(result, "ready");
}

TEST(RegistrationTest, ReleasesOnceWhetherCancelledMovedOrDestroyed) {
    int releases = 0;
    {
        Registration first([&] { ++releases; });
        Registration second = std::move(first);
        first.cancel();
        EXPECT_EQ(releases, 0);
        EXPECT_TRUE(second.isActive());
        second.cancel();
        second.cancel();
        EXPECT_EQ(releases, 1);
    }
    EXPECT_EQ(releases, 1);
    {
        Registration held([&] { ++releases; });
        held = Registration([&] { releases += 10; });
        EXPECT_EQ(releases, 2);
    }
    EXPECT_EQ(releases, 12);
}

}  // namespace
}  // namespace halvora::platform::sim
