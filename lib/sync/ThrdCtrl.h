// A thread whose body is the virtual run, with the start and stop protocol
// of the library's worker threads: run polls terminate(), stop asks it to
// end and may wait for it.
//
// The object always outlives its thread: a stop that does not wait keeps
// the thread joinable, and the next start or the destructor joins it. A
// derived class whose run uses members of its own must call awaitThreads()
// first in its destructor, before those members go.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace ravlib {

namespace os {
class Thread;
}

class ThrdCtrl {
public:
    ThrdCtrl();
    virtual ~ThrdCtrl();
    ThrdCtrl(const ThrdCtrl&) = delete;
    ThrdCtrl& operator=(const ThrdCtrl&) = delete;

    // The thread body; returns when terminate() is 1.
    virtual void run();

    // Starts the thread, held before run until resume() when `suspended`
    // is non-zero. 1 on success; 0 when the system refuses, or a thread is
    // held already (which is then left alone).
    int32_t start(int32_t suspended);
    // Asks a running thread to end and, when `wait` is non-zero, waits for
    // its end; a thread still held suspended ends without running. The
    // handle is closed either way.
    void stop(int32_t wait);
    // Lets a thread started suspended run.
    void resume();

    bool hasHandle() const { return handle_ != nullptr; }
    uint32_t threadId() const { return id_; }
    int32_t suspended() const { return suspended_.load(std::memory_order_acquire); }
    int32_t finished() const { return finished_.load(std::memory_order_acquire); }
    int32_t terminate() const { return terminate_.load(std::memory_order_acquire); }
    uint32_t exitCode() const { return exitCode_; }

protected:
    // Asks every thread this object started to end and waits until it has.
    void awaitThreads();

private:
    enum Gate : int32_t { kGateOpen, kGateHeld, kGateCancelled };

    static void procedure(void* self);
    void keepUntilJoined();

    std::unique_ptr<os::Thread> handle_;
    uint32_t id_ = 0;
    std::atomic<int32_t> suspended_{0};
    std::atomic<int32_t> finished_{1};
    std::atomic<int32_t> terminate_{1};
    uint32_t exitCode_ = 0;
    // A thread whose handle a stop without waiting has closed.
    std::unique_ptr<os::Thread> released_;
    std::atomic<int32_t> gate_{kGateOpen};
};

}  // namespace ravlib
