// The lock of one process's threads on Linux: std::mutex, which can be
// made at compile time.
#pragma once

#include <mutex>

namespace ravlib::os {

class CriticalSection {
public:
    constexpr CriticalSection() noexcept = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void enter() { mutex_.lock(); }
    void leave() { mutex_.unlock(); }

    // For std::lock_guard.
    void lock() { enter(); }
    void unlock() { leave(); }

private:
    std::mutex mutex_;
};

}  // namespace ravlib::os
