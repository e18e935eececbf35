#include "sim/BoardLock.h"

#include <cerrno>
#include <ctime>

namespace ravsim {

bool initSharedState(SharedState& state, std::uint32_t startDelay)
{
    pthread_mutexattr_t attr;
    if (pthread_mutexattr_init(&attr) != 0)
        return false;
    bool ok = pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED) == 0
        && pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST) == 0
        && pthread_mutex_init(&state.lock, &attr) == 0;
    pthread_mutexattr_destroy(&attr);
    if (!ok)
        return false;
    state.startDelay = startDelay;
    state.running = 0;
    state.inReset = 0;
    state.startCountdown = 0;
    state.recoveredLocks = 0;
    state.cycles = 0;
    __atomic_store_n(&state.magic, kStateMagic, __ATOMIC_RELEASE);
    return true;
}

namespace {

// A holder that died leaves the lock to its next taker.
int takeOver(SharedState& state, int rc)
{
    if (rc != EOWNERDEAD)
        return rc;
    // The dead holder cannot have left more than one register effect half
    // done; every effect is a short copy, so the state stays usable.
    pthread_mutex_consistent(&state.lock);
    ++state.recoveredLocks;
    return 0;
}

}  // namespace

BoardLock::BoardLock(SharedState& state) : state_(state)
{
    held_ = takeOver(state_, pthread_mutex_lock(&state_.lock)) == 0;
}

BoardLock::BoardLock(SharedState& state, std::chrono::milliseconds timeout) : state_(state)
{
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    long long ns = deadline.tv_nsec + static_cast<long long>(timeout.count() % 1000) * 1000000;
    deadline.tv_sec += static_cast<time_t>(timeout.count() / 1000 + ns / 1000000000);
    deadline.tv_nsec = static_cast<long>(ns % 1000000000);
    held_ = takeOver(state_, pthread_mutex_clocklock(&state_.lock, CLOCK_MONOTONIC, &deadline)) == 0;
}

BoardLock::~BoardLock()
{
    if (held_)
        pthread_mutex_unlock(&state_.lock);
}

}  // namespace ravsim
