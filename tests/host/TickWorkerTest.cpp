#include "host/TickWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace ravhost {
namespace {

using namespace std::chrono_literals;

struct Probe {
    std::atomic<int> runs{0};
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<bool> slow{false};
};

void routine(ravkern::KDpc*, void* context) {
    auto* probe = static_cast<Probe*>(context);
    if (probe->inside.fetch_add(1) != 0)
        ++probe->overlaps;
    if (probe->slow)
        std::this_thread::sleep_for(20ms);
    ++probe->runs;
    --probe->inside;
}

template <typename Pred>
bool eventually(Pred pred) {
    auto end = std::chrono::steady_clock::now() + 10s;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

TEST(TickWorker, InsertRunsOnceAndSecondInsertWhileQueuedHasNoEffect) {
    Probe probe;
    probe.slow = true;
    TickWorker worker;
    worker.bind(routine, &probe, nullptr);
    EXPECT_TRUE(worker.insert());
    ASSERT_TRUE(eventually([&] { return probe.inside.load() == 1; }));
    EXPECT_TRUE(worker.insert()) << "a running routine is queued anew";
    EXPECT_FALSE(worker.insert());
    ASSERT_TRUE(eventually([&] { return probe.runs.load() == 2; }));
    worker.remove();
    EXPECT_EQ(2, probe.runs.load());
    EXPECT_EQ(0, probe.overlaps.load());
}

TEST(TickWorker, TimerFiresOnceAndRearmingRestartsIt) {
    Probe probe;
    TickWorker worker;
    worker.bind(routine, &probe, nullptr);
    EXPECT_FALSE(worker.setTimer(1h));
    EXPECT_TRUE(worker.setTimer(1ms)) << "was armed";
    ASSERT_TRUE(eventually([&] { return probe.runs.load() == 1; }));
    EXPECT_FALSE(worker.cancelTimer()) << "a fired timer is no longer armed";
}

TEST(TickWorker, CancelledTimerNeverFires) {
    Probe probe;
    TickWorker worker;
    worker.bind(routine, &probe, nullptr);
    worker.setTimer(50ms);
    EXPECT_TRUE(worker.cancelTimer());
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(0, probe.runs.load());
}

TEST(TickWorker, RemoveTakesQueuedRoutineOffAndWaitsForARunningOne) {
    Probe probe;
    probe.slow = true;
    TickWorker worker;
    worker.bind(routine, &probe, nullptr);
    worker.insert();
    ASSERT_TRUE(eventually([&] { return probe.inside.load() == 1; }));
    worker.insert();
    EXPECT_TRUE(worker.remove());
    EXPECT_EQ(0, probe.inside.load()) << "remove returned while the routine ran";
    EXPECT_EQ(1, probe.runs.load());
    EXPECT_FALSE(worker.remove());
}

TEST(TickWorker, SelfRearmingChainStopsWhenTheRoutineStops) {
    struct Chain {
        TickWorker* worker;
        std::atomic<bool> enabled{true};
        std::atomic<int> ticks{0};
    } chain;
    TickWorker worker;
    chain.worker = &worker;
    worker.bind(
        [](ravkern::KDpc*, void* c) {
            auto* chain = static_cast<Chain*>(c);
            ++chain->ticks;
            if (chain->enabled)
                chain->worker->setTimer(1ms);
        },
        &chain, nullptr);
    worker.insert();
    ASSERT_TRUE(eventually([&] { return chain.ticks.load() >= 5; }));
    chain.enabled = false;
    worker.cancelTimer();
    worker.remove();
    worker.cancelTimer();
    worker.remove();
    int seen = chain.ticks.load();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(seen, chain.ticks.load());
}

}  // namespace
}  // namespace ravhost
