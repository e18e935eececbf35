// The lock of one process's threads on Windows. mingw-w64's std::mutex cannot
// be made at compile time; a word that waiting threads sleep on can.
#pragma once

#include <atomic>
#include <cstdint>

namespace ravlib::os {

class CriticalSection {
public:
    constexpr CriticalSection() noexcept = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void enter() {
        while (state_.exchange(1, std::memory_order_acquire) != 0)
            state_.wait(1, std::memory_order_relaxed);
    }
    void leave() {
        state_.store(0, std::memory_order_release);
        state_.notify_one();
    }

    // For std::lock_guard.
    void lock() { enter(); }
    void unlock() { leave(); }

private:
    std::atomic<std::uint32_t> state_{0};
};

}  // namespace ravlib::os
