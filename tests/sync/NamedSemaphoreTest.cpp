#include "tests/support/Sandbox.h"
#include "tests/sync/SyncRoles.h"

#include "lib/files/LogFile.h"
#include "lib/os/NamedEvents.h"
#include "lib/os/NamedMutex.h"
#include "lib/os/NamedObject.h"
#include "lib/os/NamedSemaphore.h"
#include "lib/os/SyncWait.h"
#include "lib/sync/SemCtrl.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using namespace ravlib;
using ravtest::Sandbox;
using synctest::Child;

class Semaphore : public testing::Test {
protected:
    Sandbox runtime;
};

struct BadName {
    const char* label;
    std::string name;
};

class SemaphoreBadName : public testing::TestWithParam<BadName> {
protected:
    Sandbox runtime;
};

TEST_P(SemaphoreBadName, IsRefusedAndLeavesNothing) {
    SemCtrl sem;
    const std::string& name = GetParam().name;
    EXPECT_EQ(sem.create(name.c_str()), 0);
    EXPECT_FALSE(sem.isOpen());
    EXPECT_EQ(sem.wait(os::kInfinite), os::kWaitFailed);
    EXPECT_EQ(sem.release(), 0);
    EXPECT_TRUE(runtime.objectFiles().empty());
}

INSTANTIATE_TEST_SUITE_P(Names, SemaphoreBadName,
                         testing::Values(BadName{"Empty", ""}, BadName{"Slash", "Ravlib/Brd00"},
                                         BadName{"Dotted", ".hidden"}, BadName{"Parent", ".."},
                                         BadName{"TooLongForTheField", std::string(260, 'S')},
                                         BadName{"TooLongForAFile", std::string(240, 'S')}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(Semaphore, NullNameIsRefused) {
    SemCtrl sem;
    EXPECT_EQ(sem.create(nullptr), 0);
    os::NamedSemaphore raw;
    EXPECT_FALSE(raw.open(nullptr));
}

TEST_F(Semaphore, StartsFreeAndIsTakenOnce) {
    SemCtrl sem;
    ASSERT_EQ(sem.create("RavlibBrd00_StaSem"), 1);
    EXPECT_STREQ(sem.name(), "RavlibBrd00_StaSem");
    EXPECT_EQ(sem.wait(0), os::kWaitObject0);
    // Taken twice by one thread: an error, never a deadlock.
    EXPECT_EQ(sem.wait(os::kInfinite), os::kWaitFailed);
    EXPECT_EQ(sem.release(), 1);
    EXPECT_EQ(sem.release(), 0);
    EXPECT_EQ(sem.wait(0), os::kWaitObject0);
    EXPECT_EQ(sem.release(), 1);
}

TEST_F(Semaphore, AnotherThreadTimesOutUntilReleased) {
    SemCtrl holder;
    SemCtrl other;
    ASSERT_EQ(holder.create("RavlibBrd00_GmSemR"), 1);
    ASSERT_EQ(other.create("RavlibBrd00_GmSemR"), 1);
    ASSERT_EQ(holder.wait(os::kInfinite), os::kWaitObject0);
    uint32_t immediate = 0;
    uint32_t bounded = 0;
    std::thread([&] {
        immediate = other.wait(0);
        bounded = other.wait(30);
    }).join();
    EXPECT_EQ(immediate, os::kWaitTimeout);
    EXPECT_EQ(bounded, os::kWaitTimeout);
    // Only the holding thread gives it back.
    int32_t foreignRelease = -1;
    std::thread([&] { foreignRelease = other.release(); }).join();
    EXPECT_EQ(foreignRelease, 0);
    EXPECT_EQ(holder.release(), 1);
    uint32_t after = 0;
    std::thread([&] {
        after = other.wait(1000);
        other.release();
    }).join();
    EXPECT_EQ(after, os::kWaitObject0);
}

TEST_F(Semaphore, BlockedWaiterGetsItOnRelease) {
    SemCtrl holder;
    SemCtrl waiter;
    ASSERT_EQ(holder.create("RavlibBrd00_GmSemW"), 1);
    ASSERT_EQ(waiter.create("RavlibBrd00_GmSemW"), 1);
    ASSERT_EQ(holder.wait(os::kInfinite), os::kWaitObject0);
    std::atomic<pid_t> tid{0};
    uint32_t result = 1234;
    std::thread thread([&] {
        tid = gettid();
        result = waiter.wait(os::kInfinite);
        waiter.release();
    });
    while (tid.load() == 0)
        std::this_thread::yield();
    EXPECT_TRUE(ravtest::waitUntilBlockedIn(0, tid.load(), ravtest::kSyscallFutex));
    holder.release();
    thread.join();
    EXPECT_EQ(result, os::kWaitObject0);
}

TEST_F(Semaphore, VanishesWithItsLastHolder) {
    auto first = std::make_unique<SemCtrl>();
    auto second = std::make_unique<SemCtrl>();
    ASSERT_EQ(first->create("RavlibBrd10_StaSem"), 1);
    ASSERT_EQ(second->create("RavlibBrd10_StaSem"), 1);
    first.reset();
    EXPECT_EQ(runtime.objectFiles().size(), 1u);
    second->close();
    EXPECT_FALSE(second->isOpen());
    EXPECT_TRUE(runtime.objectFiles().empty());
}

TEST_F(Semaphore, RecreatedAfterTheLastCloseStartsFree) {
    {
        SemCtrl sem;
        ASSERT_EQ(sem.create("RavlibBrd00_StaSem"), 1);
        // Closed while taken: the next semaphore of that name is a new one.
        ASSERT_EQ(sem.wait(os::kInfinite), os::kWaitObject0);
    }
    SemCtrl again;
    ASSERT_EQ(again.create("RavlibBrd00_StaSem"), 1);
    std::thread([&] {
        EXPECT_EQ(again.wait(0), os::kWaitObject0);
        again.release();
    }).join();
}

TEST_F(Semaphore, ClosedWhileTakenIsGivenBackToTheOtherHolders) {
    SemCtrl closing;
    SemCtrl staying;
    ASSERT_EQ(closing.create("RavlibBrd00_GmSemW"), 1);
    ASSERT_EQ(staying.create("RavlibBrd00_GmSemW"), 1);
    ASSERT_EQ(closing.wait(os::kInfinite), os::kWaitObject0);
    closing.close();
    uint32_t result = 1234;
    std::thread([&] {
        result = staying.wait(0);
        staying.release();
    }).join();
    EXPECT_EQ(result, os::kWaitObject0);
}

TEST_F(Semaphore, CreateOnAHeldHandleClosesItFirst) {
    SemCtrl sem;
    ASSERT_EQ(sem.create("RavlibBrd00_StaSem"), 1);
    ASSERT_EQ(sem.create("RavlibBrd00_GmSemR"), 1);
    EXPECT_STREQ(sem.name(), "RavlibBrd00_GmSemR");
    std::vector<std::string> files = runtime.objectFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0], "RavlibBrd00_GmSemR");
}

enum class Kind { Semaphore, Mutex, Event, Plain };

bool openAs(Kind kind, const char* name, os::NamedSemaphore& sem, os::NamedMutex& mutex, os::NamedEvent& event,
            os::NamedObject& plain) {
    switch (kind) {
    case Kind::Semaphore: return sem.open(name);
    case Kind::Mutex: return mutex.open(name);
    case Kind::Event: return event.open(name);
    case Kind::Plain: return plain.open(name, 64);
    }
    return false;
}

struct KindClash {
    const char* label;
    Kind first;
    Kind second;
};

class NameOfAnotherKind : public testing::TestWithParam<KindClash> {
protected:
    Sandbox runtime;
};

TEST_P(NameOfAnotherKind, IsRefusedAndTheOwnerKeepsWorking) {
    os::NamedSemaphore semA, semB;
    os::NamedMutex mutexA, mutexB;
    os::NamedEvent eventA, eventB;
    os::NamedObject plainA, plainB;
    ASSERT_TRUE(openAs(GetParam().first, "Shared_Name", semA, mutexA, eventA, plainA));
    EXPECT_FALSE(openAs(GetParam().second, "Shared_Name", semB, mutexB, eventB, plainB));
    EXPECT_EQ(runtime.objectFiles().size(), 1u);
    if (semA.isOpen()) {
        EXPECT_EQ(semA.wait(0), os::kWaitObject0);
        EXPECT_TRUE(semA.release());
    }
    if (eventA.isOpen()) {
        os::NamedEvent* events[] = {&eventA};
        EXPECT_EQ(os::waitAny(events, 1, 0), os::kWaitTimeout);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, NameOfAnotherKind,
                         testing::Values(KindClash{"SemaphoreThenEvent", Kind::Semaphore, Kind::Event},
                                         KindClash{"SemaphoreThenMutex", Kind::Semaphore, Kind::Mutex},
                                         KindClash{"EventThenSemaphore", Kind::Event, Kind::Semaphore},
                                         KindClash{"EventThenMutex", Kind::Event, Kind::Mutex},
                                         KindClash{"MutexThenSemaphore", Kind::Mutex, Kind::Semaphore},
                                         KindClash{"MutexThenEvent", Kind::Mutex, Kind::Event},
                                         KindClash{"PlainThenSemaphore", Kind::Plain, Kind::Semaphore},
                                         KindClash{"PlainThenEvent", Kind::Plain, Kind::Event}),
                         [](const auto& info) { return std::string(info.param.label); });

// Cross-process cases.

TEST_F(Semaphore, CountsWithoutLostUpdatesAcrossProcesses) {
    constexpr int kTimes = 20000;
    os::NamedObject counter;
    ASSERT_TRUE(counter.open("Counter", sizeof(uint64_t)));
    Child a({"sem-count", "RavlibBrd00_GmSemW", "Counter", std::to_string(kTimes)});
    Child b({"sem-count", "RavlibBrd00_GmSemW", "Counter", std::to_string(kTimes)});
    ASSERT_EQ(a.readLine(), "ready");
    ASSERT_EQ(b.readLine(), "ready");
    a.writeLine("go");
    b.writeLine("go");
    EXPECT_EQ(a.readLine(), "done");
    EXPECT_EQ(b.readLine(), "done");
    EXPECT_EQ(a.wait(), 0);
    EXPECT_EQ(b.wait(), 0);
    EXPECT_EQ(*static_cast<volatile uint64_t*>(counter.view()), 2u * kTimes);
}

// The process log, opened in the runtime directory for one test.
class LogInRuntime {
public:
    explicit LogInRuntime(const std::string& dir) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
        opened_ = theLog().open("RavlibLog", "RavlibLog.ini", "RavlibLog.Map", LOG_DETAIL | LOG_NG | LOG_TRACE);
    }
    ~LogInRuntime() {
        theLog().close();
        std::filesystem::current_path(previous_);
    }
    bool opened() const { return opened_; }
    std::string text() const {
        std::string all;
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            if (entry.path().extension() == ".log")
                all += ravtest::readFile(entry.path());
        }
        return all;
    }

private:
    std::filesystem::path previous_;
    bool opened_ = false;
};

TEST_F(Semaphore, WaiterInThisProcessRecoversFromAKilledHolder) {
    LogInRuntime log(runtime.runtime());
    ASSERT_TRUE(log.opened());
    SemCtrl sem;
    ASSERT_EQ(sem.create("RavlibBrd00_GmSemR"), 1);
    Child holder({"sem-hold", "RavlibBrd00_GmSemR"});
    ASSERT_EQ(holder.readLine(), "held");
    EXPECT_EQ(sem.wait(0), os::kWaitTimeout);

    std::atomic<pid_t> tid{0};
    uint32_t result = 1234;
    std::thread waiter([&] {
        tid = gettid();
        result = sem.wait(os::kInfinite);
        sem.release();
    });
    while (tid.load() == 0)
        std::this_thread::yield();
    EXPECT_TRUE(ravtest::waitUntilBlockedIn(0, tid.load(), ravtest::kSyscallFutex));
    EXPECT_EQ(holder.kill(), 128 + 9);
    waiter.join();
    EXPECT_EQ(result, os::kWaitAbandoned);
    // Consistent again: later waits are plain.
    EXPECT_EQ(sem.wait(0), os::kWaitObject0);
    EXPECT_EQ(sem.release(), 1);
    std::string text = log.text();
    EXPECT_NE(text.find("Ravlib: Semaphore recovered: Name(RavlibBrd00_GmSemR)"), std::string::npos) << text;
    EXPECT_EQ(text.find("Semaphore recovered", text.find("Semaphore recovered") + 1), std::string::npos);
}

TEST_F(Semaphore, WaitingProcessGoesOnAfterTheHolderIsKilled) {
    Child holder({"sem-hold", "RavlibBrd00_StaSem"});
    ASSERT_EQ(holder.readLine(), "held");
    Child waiter({"sem-wait", "RavlibBrd00_StaSem"});
    ASSERT_EQ(waiter.readLine(), "open");
    waiter.writeLine("go");
    EXPECT_EQ(waiter.readLine(2000), "<timeout>");  // still blocked by the holder
    EXPECT_EQ(holder.kill(), 128 + 9);
    EXPECT_EQ(waiter.readLine(), std::to_string(os::kWaitAbandoned));
    EXPECT_EQ(waiter.wait(), 0);
    // Nobody holds it any more. (Its file may outlive the waiter: the kernel
    // wakes the waiter before it drops the dead holder's file locks.)
    os::NamedObject probe;
    ASSERT_TRUE(probe.open("RavlibBrd00_StaSem", 0));
    EXPECT_TRUE(probe.created());
}

TEST_F(Semaphore, LeftByAKilledLastHolderStartsFreeAgain) {
    Child holder({"sem-hold", "RavlibBrd00_StaSem"});
    ASSERT_EQ(holder.readLine(), "held");
    holder.kill();
    // Its file outlived it, but nobody holds it: a new, free semaphore.
    SemCtrl sem;
    ASSERT_EQ(sem.create("RavlibBrd00_StaSem"), 1);
    EXPECT_EQ(sem.wait(0), os::kWaitObject0);
    EXPECT_EQ(sem.release(), 1);
}

TEST_F(Semaphore, ReopenedAfterAnotherProcessMadeItAnewSeesThatOne) {
    {
        SemCtrl sem;
        ASSERT_EQ(sem.create("RavlibBrd00_GmSemR"), 1);
        ASSERT_EQ(sem.wait(0), os::kWaitObject0);
        sem.release();
    }
    ASSERT_TRUE(runtime.objectFiles().empty());
    Child holder({"sem-hold", "RavlibBrd00_GmSemR"});
    ASSERT_EQ(holder.readLine(), "held");
    SemCtrl again;
    ASSERT_EQ(again.create("RavlibBrd00_GmSemR"), 1);
    EXPECT_EQ(again.wait(0), os::kWaitTimeout);
    holder.kill();
    EXPECT_EQ(again.wait(os::kInfinite), os::kWaitAbandoned);
    EXPECT_EQ(again.release(), 1);
}

}  // namespace
