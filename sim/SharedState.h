// The part of a board's state that every process mapping the board shares:
// the lock that serialises register side effects and the chip's hidden state.
#pragma once

#include <pthread.h>

#include <cstdint>

namespace ravsim {

inline constexpr std::uint32_t kStateMagic = 0x52565342;  // "BSVR"

struct SharedState {
    std::uint32_t magic;
    std::uint32_t startDelay;      // cycles from a valid start to the running bit
    pthread_mutex_t lock;          // robust, process-shared
    std::uint32_t running;         // the chip communicates
    std::uint32_t inReset;         // region B holds the chip in reset
    std::uint32_t startCountdown;  // cycles left until running; 0 = no start pending
    std::uint32_t recoveredLocks;  // times a dead holder's lock was taken over
    std::uint64_t cycles;          // bus cycles seen by this chip
    std::uint32_t refusedJoins;    // starts dropped: the station range was taken or invalid
    std::uint32_t monitoring;      // halted as a GM monitor: receives, owns no station
};

// Prepares a zeroed state page: magic and a robust, process-shared mutex.
// Returns false when the mutex cannot be made.
bool initSharedState(SharedState& state, std::uint32_t startDelay);

}  // namespace ravsim
