#include "tests/support/Sandbox.h"
#include "tests/sync/SyncRoles.h"

#include "lib/os/NamedEvents.h"
#include "lib/os/SyncWait.h"
#include "lib/sync/EvntCtrl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace ravlib;
using ravtest::Sandbox;
using synctest::Child;

const char* const kNames[EvntCtrl::kEvents] = {"MailRecv1_00_MailEve", "MailRecv2_00_MailEve", "MailSeRes_00_MailEve",
                                               "MailClose_00_MailEve", "MailError_00_MailEve"};

bool createAll(EvntCtrl& events, const char* const* names = kNames) {
    for (int i = 0; i < EvntCtrl::kEvents; ++i) {
        if (events.create(i, names[i]) != 1)
            return false;
    }
    return true;
}

class MailEvents : public testing::Test {
protected:
    Sandbox runtime;
};

TEST_F(MailEvents, StartNotSignalled) {
    EvntCtrl events;
    ASSERT_TRUE(createAll(events));
    EXPECT_EQ(events.wait(0), os::kWaitTimeout);
}

// Events set before the waits, and what each following wait returns.
struct Drain {
    const char* label;
    std::vector<int32_t> set;
    std::vector<uint32_t> waits;
};

class MailEventsDrain : public testing::TestWithParam<Drain> {
protected:
    Sandbox runtime;
};

TEST_P(MailEventsDrain, LowestFirstAndOnlyTheReturnedOneIsReset) {
    EvntCtrl events;
    ASSERT_TRUE(createAll(events));
    for (int32_t index : GetParam().set)
        events.set(index);
    for (uint32_t expected : GetParam().waits)
        EXPECT_EQ(events.wait(0), expected);
}

constexpr uint32_t T = os::kWaitTimeout;

INSTANTIATE_TEST_SUITE_P(Sets, MailEventsDrain,
                         testing::Values(Drain{"One", {2}, {2, T}}, Drain{"ThreeUnordered", {3, 1, 4}, {1, 3, 4, T}},
                                         Drain{"AllFive", {4, 3, 2, 1, 0}, {0, 1, 2, 3, 4, T}},
                                         Drain{"SetTwiceIsOneSignal", {0, 0}, {0, T}},
                                         Drain{"IndexFiveAndAboveDoNothing", {5, 6, 1000}, {T}},
                                         Drain{"NegativeIndexDoesNothing", {-1}, {T}}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(MailEvents, CreateRefusesBadIndexAndName) {
    EvntCtrl events;
    EXPECT_EQ(events.create(-1, "MailRecv1_00_MailEve"), 0);
    EXPECT_EQ(events.create(5, "MailRecv1_00_MailEve"), 0);
    EXPECT_EQ(events.create(0, nullptr), 0);
    EXPECT_EQ(events.create(0, "Mail/Recv1"), 0);
    EXPECT_EQ(events.create(0, std::string(260, 'E').c_str()), 0);
    EXPECT_TRUE(runtime.objectFiles().empty());
}

TEST_F(MailEvents, CloseOneAllOrNothing) {
    EvntCtrl events;
    ASSERT_TRUE(createAll(events));
    events.close(6);
    events.close(-1);
    for (int i = 0; i < EvntCtrl::kEvents; ++i)
        EXPECT_TRUE(events.isOpen(i));
    events.close(2);
    EXPECT_FALSE(events.isOpen(2));
    EXPECT_STREQ(events.name(2), "");
    EXPECT_STREQ(events.name(3), "MailClose_00_MailEve");
    EXPECT_EQ(runtime.objectFiles().size(), 4u);
    // A wait needs all five.
    events.set(0);
    EXPECT_EQ(events.wait(0), os::kWaitFailed);
    events.close(5);
    for (int i = 0; i < EvntCtrl::kEvents; ++i)
        EXPECT_FALSE(events.isOpen(i));
    EXPECT_TRUE(runtime.objectFiles().empty());
}

TEST_F(MailEvents, FiniteTimeOutWaitsAtLeastThatLong) {
    EvntCtrl events;
    ASSERT_TRUE(createAll(events));
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(events.wait(40), os::kWaitTimeout);
    EXPECT_GE(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(40));
}

TEST_F(MailEvents, InfiniteWaitIsWokenBySetFromAnotherThread) {
    EvntCtrl waiting;
    EvntCtrl setting;
    ASSERT_TRUE(createAll(waiting));
    ASSERT_TRUE(createAll(setting));
    std::atomic<pid_t> tid{0};
    uint32_t result = 1234;
    std::thread waiter([&] {
        tid = gettid();
        result = waiting.wait(os::kInfinite);
    });
    while (tid.load() == 0)
        std::this_thread::yield();
    ASSERT_TRUE(ravtest::waitUntilBlockedIn(0, tid.load(), ravtest::kSyscallFutexWaitv));
    setting.set(3);
    waiter.join();
    EXPECT_EQ(result, 3u);
    EXPECT_EQ(setting.wait(0), os::kWaitTimeout);  // reset by the waiter
}

TEST_F(MailEvents, EverySleepingWaiterSeesTheSetEvenAfterAnotherResetIt) {
    EvntCtrl setting;
    ASSERT_TRUE(createAll(setting));
    constexpr int kWaiters = 3;
    std::vector<std::unique_ptr<EvntCtrl>> sets;
    for (int i = 0; i < kWaiters; ++i) {
        sets.push_back(std::make_unique<EvntCtrl>());
        ASSERT_TRUE(createAll(*sets.back()));
    }
    std::atomic<pid_t> tids[kWaiters] = {};
    uint32_t results[kWaiters] = {};
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([&, i] {
            tids[i] = gettid();
            results[i] = sets[i]->wait(5000);
        });
    }
    for (int i = 0; i < kWaiters; ++i) {
        while (tids[i].load() == 0)
            std::this_thread::yield();
        ASSERT_TRUE(ravtest::waitUntilBlockedIn(0, tids[i].load(), ravtest::kSyscallFutexWaitv));
    }
    setting.set(1);
    for (auto& waiter : waiters)
        waiter.join();
    for (int i = 0; i < kWaiters; ++i)
        EXPECT_EQ(results[i], 1u) << "waiter " << i;
    EXPECT_EQ(setting.wait(0), os::kWaitTimeout);
}

TEST_F(MailEvents, SetInAnotherProcessWakesAWaitHere) {
    EvntCtrl events;
    ASSERT_TRUE(createAll(events));
    Child other({"events", "Ev"});
    ASSERT_EQ(other.readLine(), "open");
    EvntCtrl otherNames;
    const char* names[] = {"Ev0", "Ev1", "Ev2", "Ev3", "Ev4"};
    ASSERT_TRUE(createAll(otherNames, names));

    std::atomic<pid_t> tid{0};
    uint32_t result = 1234;
    std::thread waiter([&] {
        tid = gettid();
        result = otherNames.wait(os::kInfinite);
    });
    while (tid.load() == 0)
        std::this_thread::yield();
    ASSERT_TRUE(ravtest::waitUntilBlockedIn(0, tid.load(), ravtest::kSyscallFutexWaitv));
    other.writeLine("set 4");
    EXPECT_EQ(other.readLine(), "set");
    waiter.join();
    EXPECT_EQ(result, 4u);
    other.writeLine("quit");
    EXPECT_EQ(other.wait(), 0);
}

TEST_F(MailEvents, SetHereWakesAnInfiniteWaitInAnotherProcess) {
    EvntCtrl events;
    const char* names[] = {"Ev0", "Ev1", "Ev2", "Ev3", "Ev4"};
    ASSERT_TRUE(createAll(events, names));
    Child other({"events", "Ev"});
    ASSERT_EQ(other.readLine(), "open");
    other.writeLine("wait 0xFFFFFFFF");
    ASSERT_EQ(other.readLine(), "waiting");
    // The child's main thread has the child's pid as thread id.
    ASSERT_TRUE(ravtest::waitUntilBlockedIn(other.pid(), other.pid(), ravtest::kSyscallFutexWaitv));
    events.set(2);
    EXPECT_EQ(other.readLine(), "2");
    // The child reset 2; 0, set afterwards, is this process's to take.
    events.set(0);
    EXPECT_EQ(events.wait(0), 0u);
    EXPECT_EQ(events.wait(0), os::kWaitTimeout);
    other.writeLine("wait 100");
    EXPECT_EQ(other.readLine(), "waiting");
    EXPECT_EQ(other.readLine(), std::to_string(os::kWaitTimeout));
    other.writeLine("quit");
    EXPECT_EQ(other.wait(), 0);
}

TEST_F(MailEvents, VanishWithTheLastHolderAndReturnNotSignalled) {
    {
        EvntCtrl events;
        ASSERT_TRUE(createAll(events));
        events.set(0);
        events.set(3);
    }
    EXPECT_TRUE(runtime.objectFiles().empty());
    EvntCtrl again;
    ASSERT_TRUE(createAll(again));
    EXPECT_EQ(again.wait(0), os::kWaitTimeout);
}

TEST_F(MailEvents, LeftSignalledByAKilledLastHolderReturnNotSignalled) {
    Child other({"events", "Ev"});
    ASSERT_EQ(other.readLine(), "open");
    other.writeLine("set 1");
    ASSERT_EQ(other.readLine(), "set");
    other.kill();
    EvntCtrl events;
    const char* names[] = {"Ev0", "Ev1", "Ev2", "Ev3", "Ev4"};
    ASSERT_TRUE(createAll(events, names));
    EXPECT_EQ(events.wait(0), os::kWaitTimeout);
}

TEST_F(MailEvents, SignalSurvivesWhileAnotherProcessHoldsTheEvent) {
    Child other({"events", "Ev"});
    ASSERT_EQ(other.readLine(), "open");
    const char* names[] = {"Ev0", "Ev1", "Ev2", "Ev3", "Ev4"};
    {
        EvntCtrl events;
        ASSERT_TRUE(createAll(events, names));
        events.set(4);
    }
    EvntCtrl again;
    ASSERT_TRUE(createAll(again, names));
    EXPECT_EQ(again.wait(0), 4u);
}

TEST(WaitAny, RefusesBadArguments) {
    Sandbox runtime;
    os::NamedEvent event;
    ASSERT_TRUE(event.open("One"));
    os::NamedEvent closed;
    os::NamedEvent* one[] = {&event};
    os::NamedEvent* withClosed[] = {&event, &closed};
    os::NamedEvent* withNull[] = {&event, nullptr};
    std::vector<os::NamedEvent*> tooMany(os::kMaxWaitObjects + 1, &event);
    EXPECT_EQ(os::waitAny(nullptr, 1, 0), os::kWaitFailed);
    EXPECT_EQ(os::waitAny(one, 0, 0), os::kWaitFailed);
    EXPECT_EQ(os::waitAny(withClosed, 2, os::kInfinite), os::kWaitFailed);
    EXPECT_EQ(os::waitAny(withNull, 2, os::kInfinite), os::kWaitFailed);
    EXPECT_EQ(os::waitAny(tooMany.data(), tooMany.size(), os::kInfinite), os::kWaitFailed);
    event.set();
    EXPECT_EQ(os::waitAny(tooMany.data(), os::kMaxWaitObjects, 0), 0u);
    EXPECT_TRUE(event.isSet());  // the platform wait does not reset
    event.reset();
    EXPECT_FALSE(event.isSet());
}

}  // namespace
