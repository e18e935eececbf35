// Threads for the host's requests, started as they are needed so that a job
// never waits for another to end; a thread left idle for a while ends.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

namespace ravhost {

class WorkerPool {
public:
    explicit WorkerPool(std::chrono::milliseconds idleLimit = std::chrono::seconds(10));
    ~WorkerPool();  // stop()
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Runs `job` on an idle thread, or on a new one if none is idle. False,
    // and the job does not run, once the pool is stopping or when no thread
    // can be started.
    bool submit(std::function<void()> job);
    // Runs what is queued, then ends and joins every thread.
    void stop();

private:
    using Worker = std::list<std::thread>::iterator;

    void work(Worker self);
    void joinRetired();

    const std::chrono::milliseconds idleLimit_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    std::list<std::thread> workers_;
    std::vector<std::thread> retired_;  // ended for idleness, not yet joined
    std::size_t idle_ = 0;
    bool stopping_ = false;
};

}  // namespace ravhost
