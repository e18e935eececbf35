// A spin lock for the few fields that control handlers and the tick routine
// share; held only across a handful of plain loads and stores, never across a call.
#pragma once

#include <atomic>

namespace ravkern {

class SpinLock {
public:
    void lock() {
        while (flag_.test_and_set(std::memory_order_acquire)) {
            while (flag_.test(std::memory_order_relaxed)) {
            }
        }
    }

    void unlock() { flag_.clear(std::memory_order_release); }

private:
    std::atomic_flag flag_;
};

class SpinLockGuard {
public:
    explicit SpinLockGuard(SpinLock& lock) : lock_(lock) { lock_.lock(); }
    ~SpinLockGuard() { lock_.unlock(); }
    SpinLockGuard(const SpinLockGuard&) = delete;
    SpinLockGuard& operator=(const SpinLockGuard&) = delete;

private:
    SpinLock& lock_;
};

}  // namespace ravkern
