#include "tests/support/Sandbox.h"
#include "tests/sync/SyncRoles.h"

#include "lib/os/TestSeams.h"
#include "lib/sync/EvntCtrl.h"
#include "lib/sync/MutxCtrl.h"
#include "lib/sync/SemCtrl.h"
#include "lib/sync/ThrdCtrl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace ravlib;
using os::testing::SyncKind;

// Creates one object of `kind` (numbered `n`, all kept in `keep`); 1 or 0.
struct Keep {
    std::vector<std::unique_ptr<SemCtrl>> sems;
    std::vector<std::unique_ptr<MutxCtrl>> mutexes;
    EvntCtrl events[3];
    std::vector<std::unique_ptr<ThrdCtrl>> threads;
};

int32_t createOne(SyncKind kind, int n, Keep& keep) {
    std::string name = "Obj" + std::to_string(n);
    switch (kind) {
    case SyncKind::Semaphore:
        keep.sems.push_back(std::make_unique<SemCtrl>());
        return keep.sems.back()->create(name.c_str());
    case SyncKind::Mutex:
        keep.mutexes.push_back(std::make_unique<MutxCtrl>());
        return keep.mutexes.back()->create(name.c_str());
    case SyncKind::Event: return keep.events[n / EvntCtrl::kEvents].create(n % EvntCtrl::kEvents, name.c_str());
    case SyncKind::Thread: keep.threads.push_back(std::make_unique<ThrdCtrl>()); return keep.threads.back()->start(0);
    default: return -1;
    }
}

struct Injection {
    const char* label;
    SyncKind kind;
    int skip;
};

class FailureSeam : public testing::TestWithParam<Injection> {
protected:
    void TearDown() override { os::testing::clearFailures(); }
    ravtest::Sandbox runtime;
};

TEST_P(FailureSeam, FailsExactlyTheChosenCreation) {
    const Injection& injection = GetParam();
    Keep keep;
    os::testing::failNext(injection.kind, injection.skip);
    for (int n = 0; n < 7; ++n)
        EXPECT_EQ(createOne(injection.kind, n, keep), n == injection.skip ? 0 : 1) << "creation " << n;
}

TEST_P(FailureSeam, LeavesOtherKindsAlone) {
    const Injection& injection = GetParam();
    Keep keep;
    os::testing::failNext(injection.kind, injection.skip);
    int n = 0;
    for (SyncKind other : {SyncKind::Semaphore, SyncKind::Mutex, SyncKind::Event, SyncKind::Thread}) {
        if (other != injection.kind) {
            for (int i = 0; i < 3; ++i, ++n)
                EXPECT_EQ(createOne(other, n, keep), 1);
        }
    }
    // Still armed for its own kind.
    for (int i = 0; i <= injection.skip; ++i, ++n)
        EXPECT_EQ(createOne(injection.kind, n, keep), i == injection.skip ? 0 : 1);
}

TEST_P(FailureSeam, ClearDisarms) {
    const Injection& injection = GetParam();
    Keep keep;
    os::testing::failNext(injection.kind, injection.skip);
    os::testing::clearFailures();
    for (int n = 0; n < 7; ++n)
        EXPECT_EQ(createOne(injection.kind, n, keep), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FailureSeam,
    testing::Values(Injection{"FirstSemaphore", SyncKind::Semaphore, 0},
                    Injection{"ThirdSemaphore", SyncKind::Semaphore, 2}, Injection{"Mutex", SyncKind::Mutex, 0},
                    Injection{"FirstEvent", SyncKind::Event, 0}, Injection{"FifthEvent", SyncKind::Event, 4},
                    Injection{"Thread", SyncKind::Thread, 0}, Injection{"SecondThread", SyncKind::Thread, 1}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(FailureSeamLimits, UnknownKindAndNegativeSkip) {
    ravtest::Sandbox runtime;
    os::testing::failNext(SyncKind::Count);
    os::testing::failNext(SyncKind::Semaphore, -5);  // taken as 0
    SemCtrl first;
    SemCtrl second;
    EXPECT_EQ(first.create("A"), 0);
    EXPECT_EQ(second.create("A"), 1);
    os::testing::clearFailures();
}

}  // namespace
