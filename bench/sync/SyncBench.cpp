// The board semaphore against the kernel semaphores it could have been
// built on, uncontended and handed between processes, and the wake-up
// latency of a mail event across processes.
#include "lib/os/NamedObject.h"
#include "lib/os/SyncWait.h"
#include "lib/sync/EvntCtrl.h"
#include "lib/sync/SemCtrl.h"
#include "tests/support/Sandbox.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <fcntl.h>
#include <semaphore.h>
#include <string>
#include <sys/sem.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace ravlib;

void BM_BoardSemaphore(benchmark::State& state) {
    ravtest::Sandbox sandbox;
    SemCtrl sem;
    if (sem.create("RavlibBrd00_GmSemR") != 1) {
        state.SkipWithError("create failed");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(sem.wait(os::kInfinite));
        sem.release();
    }
}
BENCHMARK(BM_BoardSemaphore);

void BM_SystemVSemaphore(benchmark::State& state) {
    int id = semget(IPC_PRIVATE, 1, IPC_CREAT | 0600);
    if (id < 0 || semctl(id, 0, SETVAL, 1) != 0) {
        state.SkipWithError("semget failed");
        return;
    }
    // SEM_UNDO: given back when the holder dies, as the board semaphore is.
    sembuf take{0, -1, SEM_UNDO};
    sembuf give{0, 1, SEM_UNDO};
    for (auto _ : state) {
        semop(id, &take, 1);
        semop(id, &give, 1);
    }
    semctl(id, 0, IPC_RMID);
}
BENCHMARK(BM_SystemVSemaphore);

void BM_PosixNamedSemaphore(benchmark::State& state) {
    std::string name = "/ravbench-" + std::to_string(getpid());
    sem_t* sem = sem_open(name.c_str(), O_CREAT | O_EXCL, 0600, 1);
    if (sem == SEM_FAILED) {
        state.SkipWithError("sem_open failed");
        return;
    }
    for (auto _ : state) {
        sem_wait(sem);
        sem_post(sem);
    }
    sem_close(sem);
    sem_unlink(name.c_str());
}
BENCHMARK(BM_PosixNamedSemaphore);

// Shared between the benchmark and its child: a stop request and the
// process that held the semaphore last.
struct Shared {
    std::atomic<std::uint32_t> stop;
    std::atomic<std::uint32_t> lastHolder;
};

pid_t startChild(int (*body)()) {
    pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    return pid;
}

int contendingChild() {
    SemCtrl sem;
    os::NamedObject shared;
    if (sem.create("RavlibBrd00_GmSemW") != 1 || !shared.open("BenchShared", sizeof(Shared)))
        return 2;
    auto* words = static_cast<Shared*>(shared.view());
    while (words->stop.load() == 0) {
        sem.wait(os::kInfinite);
        words->lastHolder.store(2);
        sem.release();
    }
    return 0;
}

void BM_ContendedSemaphoreAcrossProcesses(benchmark::State& state) {
    ravtest::Sandbox sandbox;
    os::NamedObject shared;
    SemCtrl sem;
    if (!shared.open("BenchShared", sizeof(Shared)) || sem.create("RavlibBrd00_GmSemW") != 1) {
        state.SkipWithError("create failed");
        return;
    }
    auto* words = static_cast<Shared*>(shared.view());
    pid_t child = startChild(contendingChild);
    while (words->lastHolder.load() == 0)
        sched_yield();
    std::int64_t handoffs = 0;
    for (auto _ : state) {
        sem.wait(os::kInfinite);
        handoffs += words->lastHolder.exchange(1) == 2;
        sem.release();
    }
    words->stop.store(1);
    waitpid(child, nullptr, 0);
    state.counters["handoffs"] = benchmark::Counter(static_cast<double>(handoffs));
    state.counters["handoff_share"] = static_cast<double>(handoffs) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ContendedSemaphoreAcrossProcesses)->UseRealTime();

// Ownership passed back and forth between two processes, each time to a
// process that announced it is about to block in its wait: one iteration
// is two handoffs (to the child and back).
struct Handoff {
    std::atomic<std::uint32_t> stop;
    std::atomic<std::uint32_t> owner;  // 1 this process, 2 the child
    std::atomic<std::uint32_t> parentWaiting;
    std::atomic<std::uint32_t> childWaiting;
};

void spinUntil(const std::atomic<std::uint32_t>& word, std::uint32_t value, const std::atomic<std::uint32_t>& stop) {
    while (word.load() != value && stop.load() == 0)
        sched_yield();
}

int handoffChild() {
    SemCtrl sem;
    os::NamedObject shared;
    if (sem.create("RavlibBrd00_StaSem") != 1 || !shared.open("BenchHandoff", sizeof(Handoff)))
        return 2;
    auto* words = static_cast<Handoff*>(shared.view());
    while (words->stop.load() == 0) {
        words->childWaiting.store(1);
        sem.wait(os::kInfinite);
        words->childWaiting.store(0);
        words->owner.store(2);
        spinUntil(words->parentWaiting, 1, words->stop);
        sem.release();
        spinUntil(words->owner, 1, words->stop);
    }
    return 0;
}

void BM_SemaphoreHandoffAcrossProcesses(benchmark::State& state) {
    ravtest::Sandbox sandbox;
    os::NamedObject shared;
    SemCtrl sem;
    if (!shared.open("BenchHandoff", sizeof(Handoff)) || sem.create("RavlibBrd00_StaSem") != 1) {
        state.SkipWithError("create failed");
        return;
    }
    auto* words = static_cast<Handoff*>(shared.view());
    sem.wait(os::kInfinite);
    words->owner.store(1);
    pid_t child = startChild(handoffChild);
    for (auto _ : state) {
        spinUntil(words->childWaiting, 1, words->stop);
        sem.release();
        spinUntil(words->owner, 2, words->stop);
        words->parentWaiting.store(1);
        sem.wait(os::kInfinite);
        words->parentWaiting.store(0);
        words->owner.store(1);
    }
    words->stop.store(1);
    sem.release();
    waitpid(child, nullptr, 0);
}
BENCHMARK(BM_SemaphoreHandoffAcrossProcesses)->UseRealTime();

const char* const kPing[EvntCtrl::kEvents] = {"Ping0", "Ping1", "Ping2", "Ping3", "Ping4"};
const char* const kPong[EvntCtrl::kEvents] = {"Pong0", "Pong1", "Pong2", "Pong3", "Pong4"};

bool createAll(EvntCtrl& events, const char* const* names) {
    for (int i = 0; i < EvntCtrl::kEvents; ++i) {
        if (events.create(i, names[i]) != 1)
            return false;
    }
    return true;
}

// Answers every ping 0 with pong 0; ping 3 ends it.
int echoChild() {
    EvntCtrl ping;
    EvntCtrl pong;
    if (!createAll(ping, kPing) || !createAll(pong, kPong))
        return 2;
    pong.set(1);  // ready
    for (;;) {
        uint32_t result = ping.wait(os::kInfinite);
        if (result != 0)
            return result == 3 ? 0 : 3;
        pong.set(0);
    }
}

void BM_EventRoundTripAcrossProcesses(benchmark::State& state) {
    ravtest::Sandbox sandbox;
    EvntCtrl ping;
    EvntCtrl pong;
    if (!createAll(ping, kPing) || !createAll(pong, kPong)) {
        state.SkipWithError("create failed");
        return;
    }
    pid_t child = startChild(echoChild);
    if (pong.wait(10000) != 1) {
        state.SkipWithError("echo process did not start");
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        return;
    }
    for (auto _ : state) {
        ping.set(0);
        pong.wait(os::kInfinite);
    }
    ping.set(3);
    waitpid(child, nullptr, 0);
    state.SetLabel("two wake-ups per iteration");
}
BENCHMARK(BM_EventRoundTripAcrossProcesses)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
