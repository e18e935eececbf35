// A thread of this process that runs one function and is joined before its
// object goes away.
#pragma once

#include <atomic>
#include <cstdint>

namespace ravlib::os {

class Thread {
public:
    using Body = void (*)(void* context);

    Thread() = default;
    // Waits for a thread that is still running.
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Starts `body(context)` with the default stack size. False, with
    // nothing started, when a thread is already held or the system refuses.
    bool start(Body body, void* context);

    // Waits for the end of the thread; nothing when none is held.
    void join();
    bool joinable() const { return started_; }

    // The system's id of the thread; 0 when none is held.
    std::uint32_t id() const { return id_.load(std::memory_order_acquire); }

private:
    static void* entry(void* start);

    std::uint64_t handle_ = 0;  // the platform's handle(s) of the thread
    bool started_ = false;
    std::atomic<std::uint32_t> id_{0};
};

}  // namespace ravlib::os
