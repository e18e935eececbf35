// A device's one-shot timer and deferred routine: one thread that runs the
// routine whenever it is queued, never two invocations at once.
#pragma once

#include "driver/kernel.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace ravhost {

class TickWorker {
public:
    TickWorker();
    ~TickWorker();  // stops and joins the thread
    TickWorker(const TickWorker&) = delete;
    TickWorker& operator=(const TickWorker&) = delete;

    void bind(ravkern::DeferredRoutine routine, void* context, ravkern::KDpc* dpc);

    // Timer: queue the routine once `delay` from now; true if it was armed.
    bool setTimer(std::chrono::nanoseconds delay);
    bool cancelTimer();

    // Routine queue: true if newly queued / taken off the queue.
    bool insert();
    bool remove();  // and waits until no invocation runs

    void stop();

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    ravkern::DeferredRoutine routine_ = nullptr;
    void* context_ = nullptr;
    ravkern::KDpc* dpc_ = nullptr;
    bool queued_ = false;
    bool running_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace ravhost
