#include "lib/sync/ThrdCtrl.h"

#include "lib/os/Thread.h"

#include <new>

namespace ravlib {

ThrdCtrl::ThrdCtrl() = default;

ThrdCtrl::~ThrdCtrl() {
    awaitThreads();
}

void ThrdCtrl::run() {}

void ThrdCtrl::procedure(void* self) {
    auto* thread = static_cast<ThrdCtrl*>(self);
    int32_t gate;
    while ((gate = thread->gate_.load(std::memory_order_acquire)) == kGateHeld)
        thread->gate_.wait(kGateHeld, std::memory_order_acquire);
    if (gate == kGateOpen)
        thread->run();
    thread->finished_.store(1, std::memory_order_release);
}

int32_t ThrdCtrl::start(int32_t suspended) {
    if (handle_ != nullptr)
        return 0;
    if (released_ != nullptr) {
        // It was asked to end; joining it first keeps it from seeing the
        // terminate flag cleared again for the new thread.
        released_->join();
        released_.reset();
    }
    // Set before the thread exists, so that its first look at the flags
    // already sees them started.
    gate_.store(suspended != 0 ? kGateHeld : kGateOpen, std::memory_order_release);
    suspended_.store(suspended != 0 ? 1 : 0, std::memory_order_release);
    terminate_.store(0, std::memory_order_release);
    finished_.store(0, std::memory_order_release);

    std::unique_ptr<os::Thread> thread(new (std::nothrow) os::Thread);
    if (thread == nullptr || !thread->start(procedure, this)) {
        terminate_.store(1, std::memory_order_release);
        suspended_.store(0, std::memory_order_release);
        finished_.store(1, std::memory_order_release);
        id_ = 0;
        return 0;
    }
    id_ = thread->id();
    handle_ = std::move(thread);
    return 1;
}

void ThrdCtrl::stop(int32_t wait) {
    if (handle_ == nullptr)
        return;
    if (finished() == 0) {
        terminate_.store(1, std::memory_order_release);
        if (suspended() != 0) {
            gate_.store(kGateCancelled, std::memory_order_release);
            gate_.notify_all();
        }
        if (wait != 0) {
            handle_->join();
            exitCode_ = 0;
        }
    }
    id_ = 0;
    keepUntilJoined();
}

void ThrdCtrl::resume() {
    if (handle_ == nullptr || suspended() == 0)
        return;
    suspended_.store(0, std::memory_order_release);
    int32_t held = kGateHeld;
    if (gate_.compare_exchange_strong(held, kGateOpen, std::memory_order_acq_rel))
        gate_.notify_all();
}

// Closing the handle: a thread that may still be running is kept to be
// joined later instead of being let go.
void ThrdCtrl::keepUntilJoined() {
    if (released_ != nullptr)
        released_->join();
    released_ = std::move(handle_);
}

void ThrdCtrl::awaitThreads() {
    stop(1);
    if (released_ != nullptr) {
        released_->join();
        released_.reset();
    }
}

}  // namespace ravlib
