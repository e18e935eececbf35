#include "sim/BoardLock.h"

#include <cerrno>

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

BoardLock::BoardLock(SharedState& state) : state_(state)
{
    int rc = pthread_mutex_lock(&state_.lock);
    if (rc == EOWNERDEAD) {
        // The dead holder cannot have left more than one register effect half
        // done; every effect is a short copy, so the state stays usable.
        pthread_mutex_consistent(&state_.lock);
        ++state_.recoveredLocks;
        rc = 0;
    }
    held_ = rc == 0;
}

BoardLock::~BoardLock()
{
    if (held_)
        pthread_mutex_unlock(&state_.lock);
}

}  // namespace ravsim
