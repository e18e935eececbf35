// Scoped hold of a board's process-shared lock. A holder that died is taken
// over: the state is made consistent again and the take-over counted.
#pragma once

#include "sim/SharedState.h"

#include <chrono>

namespace ravsim {

class BoardLock {
public:
    explicit BoardLock(SharedState& state);
    // Gives up after `timeout`; held() tells whether the lock was taken.
    BoardLock(SharedState& state, std::chrono::milliseconds timeout);
    ~BoardLock();
    BoardLock(const BoardLock&) = delete;
    BoardLock& operator=(const BoardLock&) = delete;

    bool held() const { return held_; }

private:
    SharedState& state_;
    bool held_ = false;
};

}  // namespace ravsim
