#include "lib/board/CallGate.h"

namespace ravlib {

bool CallGate::enter() {
    std::lock_guard lock(mutex_);
    if (shut_)
        return false;
    ++inside_;
    return true;
}

void CallGate::leave() {
    std::lock_guard lock(mutex_);
    if (--inside_ == 0)
        drained_.notify_all();
}

bool CallGate::stepIn() {
    std::lock_guard lock(mutex_);
    ++inside_;
    return !shut_;
}

// The calls inside are short (GM, registers, a send or receive): they hold
// the semaphores only for their own step, so the drain ends.
void CallGate::shutAndDrain() {
    std::unique_lock lock(mutex_);
    shut_ = true;
    drained_.wait(lock, [this] { return inside_ == 0; });
}

bool CallGate::shut() const {
    std::lock_guard lock(mutex_);
    return shut_;
}

}  // namespace ravlib
