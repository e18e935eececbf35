// A lock that serialises threads of one process. It can be made at compile
// time, for objects that must exist before any constructor runs.
#pragma once

#if defined(_WIN32)
#include <atomic>
#include <cstdint>
#else
#include <mutex>
#endif

namespace ravlib::os {

class CriticalSection {
public:
    constexpr CriticalSection() noexcept = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

#if defined(_WIN32)
    // mingw-w64's std::mutex cannot be made at compile time; a word that
    // waiting threads sleep on can.
    void enter()
    {
        while (state_.exchange(1, std::memory_order_acquire) != 0)
            state_.wait(1, std::memory_order_relaxed);
    }
    void leave()
    {
        state_.store(0, std::memory_order_release);
        state_.notify_one();
    }
#else
    void enter() { mutex_.lock(); }
    void leave() { mutex_.unlock(); }
#endif

    // For std::lock_guard.
    void lock() { enter(); }
    void unlock() { leave(); }

private:
#if defined(_WIN32)
    std::atomic<std::uint32_t> state_ {0};
#else
    std::mutex mutex_;
#endif
};

}  // namespace ravlib::os
