#include "tests/support/Watchdog.h"

#include <utility>

namespace ravtest {

Watchdog::Watchdog(std::function<void()> onTimeout) : onTimeout_(std::move(onTimeout)), thread_([this] { watch(); }) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard held(lock_);
        stop_ = true;
    }
    changed_.notify_one();
    thread_.join();
}

void Watchdog::arm(std::chrono::milliseconds after) {
    {
        std::lock_guard held(lock_);
        armed_ = true;
        deadline_ = std::chrono::steady_clock::now() + after;
    }
    changed_.notify_one();
}

void Watchdog::disarm() {
    {
        std::lock_guard held(lock_);
        armed_ = false;
    }
    changed_.notify_one();
}

void Watchdog::watch() {
    std::unique_lock held(lock_);
    while (!stop_) {
        if (!armed_) {
            changed_.wait(held);
        } else if (std::chrono::steady_clock::now() < deadline_) {
            changed_.wait_until(held, deadline_);
        } else {
            armed_ = false;
            // Unlocked: the action may wake the caller, which disarms.
            held.unlock();
            onTimeout_();
            held.lock();
        }
    }
}

}  // namespace ravtest
