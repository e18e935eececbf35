#include "sim/BoardLock.h"

#include <cerrno>
#include <thread>

namespace ravsim {

bool initSharedState(SharedState& state, std::uint32_t startDelay) {
    pthread_mutexattr_t attr;
    if (pthread_mutexattr_init(&attr) != 0)
        return false;
    bool ok = pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED) == 0 &&
              pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST) == 0 &&
              pthread_mutex_init(&state.lock, &attr) == 0;
    pthread_mutexattr_destroy(&attr);
    if (!ok)
        return false;
    state.startDelay = startDelay;
    state.running = 0;
    state.inReset = 0;
    state.startCountdown = 0;
    state.recoveredLocks = 0;
    state.cycles = 0;
    state.refusedJoins = 0;
    state.monitoring = 0;
    __atomic_store_n(&state.magic, kStateMagic, __ATOMIC_RELEASE);
    return true;
}

namespace {

// A holder that died leaves the lock to its next taker.
int takeOver(SharedState& state, int rc) {
    if (rc != EOWNERDEAD)
        return rc;
    // The dead holder cannot have left more than one register effect half
    // done; every effect is a short copy, so the state stays usable.
    pthread_mutex_consistent(&state.lock);
    ++state.recoveredLocks;
    return 0;
}

}  // namespace

BoardLock::BoardLock(SharedState& state) : state_(state) {
    held_ = takeOver(state_, pthread_mutex_lock(&state_.lock)) == 0;
}

BoardLock::BoardLock(SharedState& state, std::chrono::milliseconds timeout) : state_(state) {
    // Polled rather than pthread_mutex_timedlock, which the thread sanitizer
    // does not follow through a take-over. Holds are a few microseconds, so
    // the first tries almost always succeed.
    int rc = takeOver(state_, pthread_mutex_trylock(&state_.lock));
    auto deadline = std::chrono::steady_clock::time_point::max();
    for (int attempt = 0; rc == EBUSY; ++attempt) {
        auto now = std::chrono::steady_clock::now();
        if (attempt == 0)
            deadline = now + timeout;
        else if (now >= deadline)
            return;
        if (attempt < 100)
            std::this_thread::yield();
        else
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        rc = takeOver(state_, pthread_mutex_trylock(&state_.lock));
    }
    held_ = rc == 0;
}

BoardLock::~BoardLock() {
    if (held_)
        pthread_mutex_unlock(&state_.lock);
}

}  // namespace ravsim
