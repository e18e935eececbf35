#include "lib/sync/ThrdCtrl.h"

#include "lib/os/TestSeams.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

namespace {

using namespace ravlib;
using namespace std::chrono_literals;

// Polls terminate like the mail thread, then, when told, lingers on its
// last steps and writes a member of its own after that.
class Worker : public ThrdCtrl {
public:
    explicit Worker(std::chrono::milliseconds linger = 0ms) : linger_(linger) {}
    ~Worker() override { awaitThreads(); }

    void run() override {
        runs.fetch_add(1);
        while (terminate() == 0) {
            cycles.fetch_add(1);
            std::this_thread::sleep_for(1ms);
        }
        std::this_thread::sleep_for(linger_);
        std::memset(lastWords_, 0x5A, sizeof(lastWords_));
        done.store(1);
    }

    std::atomic<int> runs{0};
    std::atomic<int> cycles{0};
    std::atomic<int> done{0};

private:
    std::chrono::milliseconds linger_;
    char lastWords_[64] = {};
};

template <typename Predicate>
bool eventually(Predicate predicate) {
    for (int i = 0; i < 30000; ++i) {
        if (predicate())
            return true;
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

struct Flags {
    bool handle;
    bool id;
    int32_t suspended;
    int32_t finished;
    int32_t terminate;
};

void expectFlags(const ThrdCtrl& thread, const Flags& flags) {
    EXPECT_EQ(thread.hasHandle(), flags.handle);
    EXPECT_EQ(thread.threadId() != 0, flags.id);
    EXPECT_EQ(thread.suspended(), flags.suspended);
    EXPECT_EQ(thread.finished(), flags.finished);
    EXPECT_EQ(thread.terminate(), flags.terminate);
    EXPECT_EQ(thread.exitCode(), 0u);
}

TEST(ThrdCtrl, ConstructedFinishedAndTerminated) {
    Worker worker;
    expectFlags(worker, {false, false, 0, 1, 1});
    worker.stop(1);  // nothing held: nothing to do
    expectFlags(worker, {false, false, 0, 1, 1});
    EXPECT_EQ(worker.runs.load(), 0);
}

TEST(ThrdCtrl, StartRunsUntilAWaitingStop) {
    Worker worker;
    ASSERT_EQ(worker.start(0), 1);
    expectFlags(worker, {true, true, 0, 0, 0});
    EXPECT_NE(worker.threadId(), static_cast<uint32_t>(gettid()));
    ASSERT_TRUE(eventually([&] { return worker.cycles.load() > 2; }));
    EXPECT_EQ(worker.finished(), 0);
    worker.stop(1);
    expectFlags(worker, {false, false, 0, 1, 1});
    EXPECT_EQ(worker.done.load(), 1);
    EXPECT_EQ(worker.runs.load(), 1);
}

TEST(ThrdCtrl, StopWithoutWaitOnlyAsks) {
    Worker worker(200ms);
    ASSERT_EQ(worker.start(0), 1);
    worker.stop(0);
    expectFlags(worker, {false, false, 0, 0, 1});
    ASSERT_TRUE(eventually([&] { return worker.finished() == 1; }));
    EXPECT_EQ(worker.done.load(), 1);
}

TEST(ThrdCtrl, DestroyedRightAfterAStopWithoutWait) {
    // The thread is still on its last steps (and then writes the object)
    // when the object is destroyed; the sanitizer builds watch this.
    for (int round = 0; round < 20; ++round) {
        auto worker = std::make_unique<Worker>(round % 2 == 0 ? 0ms : 5ms);
        ASSERT_EQ(worker->start(0), 1);
        if (round % 4 == 0)
            std::this_thread::sleep_for(2ms);
        worker->stop(0);
        worker.reset();
    }
}

TEST(ThrdCtrl, DestroyedWhileRunningEndsTheThread) {
    auto worker = std::make_unique<Worker>();
    ASSERT_EQ(worker->start(0), 1);
    ASSERT_TRUE(eventually([&] { return worker->cycles.load() > 0; }));
    worker.reset();
}

TEST(ThrdCtrl, SecondStartWhileRunningIsRefusedAndChangesNothing) {
    Worker worker;
    ASSERT_EQ(worker.start(0), 1);
    uint32_t id = worker.threadId();
    EXPECT_EQ(worker.start(0), 0);
    expectFlags(worker, {true, true, 0, 0, 0});
    EXPECT_EQ(worker.threadId(), id);
    worker.stop(1);
    EXPECT_EQ(worker.runs.load(), 1);
}

TEST(ThrdCtrl, RestartAfterAStopWithoutWait) {
    Worker worker(20ms);
    ASSERT_EQ(worker.start(0), 1);
    worker.stop(0);
    ASSERT_EQ(worker.start(0), 1);
    // The first thread ended before the second began; the second runs on.
    EXPECT_EQ(worker.done.load(), 1);
    expectFlags(worker, {true, true, 0, 0, 0});
    int cycles = worker.cycles.load();
    ASSERT_TRUE(eventually([&] { return worker.cycles.load() > cycles; }));
    worker.stop(1);
    EXPECT_EQ(worker.runs.load(), 2);
}

TEST(ThrdCtrl, SuspendedStartRunsOnlyAfterResume) {
    Worker worker;
    ASSERT_EQ(worker.start(1), 1);
    expectFlags(worker, {true, true, 1, 0, 0});
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(worker.runs.load(), 0);
    worker.resume();
    EXPECT_EQ(worker.suspended(), 0);
    ASSERT_TRUE(eventually([&] { return worker.runs.load() == 1; }));
    worker.stop(1);
    EXPECT_EQ(worker.finished(), 1);
}

TEST(ThrdCtrl, StopOfASuspendedThreadEndsItWithoutRunning) {
    for (int wait : {0, 1}) {
        Worker worker;
        ASSERT_EQ(worker.start(1), 1);
        worker.stop(wait);
        EXPECT_FALSE(worker.hasHandle());
        ASSERT_TRUE(eventually([&] { return worker.finished() == 1; }));
        EXPECT_EQ(worker.runs.load(), 0);
    }
}

TEST(ThrdCtrl, FailedStartLeavesItStopped) {
    Worker worker;
    os::testing::failNext(os::testing::SyncKind::Thread);
    EXPECT_EQ(worker.start(0), 0);
    expectFlags(worker, {false, false, 0, 1, 1});
    std::this_thread::sleep_for(5ms);
    EXPECT_EQ(worker.runs.load(), 0);
    ASSERT_EQ(worker.start(0), 1);
    worker.stop(1);
    EXPECT_EQ(worker.runs.load(), 1);
}

TEST(ThrdCtrl, PlainWrapperRunsAnEmptyBody) {
    ThrdCtrl thread;
    ASSERT_EQ(thread.start(0), 1);
    ASSERT_TRUE(eventually([&] { return thread.finished() == 1; }));
    thread.stop(1);
    // A finished thread is not asked to end.
    expectFlags(thread, {false, false, 0, 1, 0});
}

}  // namespace
