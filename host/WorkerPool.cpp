#include "host/WorkerPool.h"

#include <system_error>

namespace ravhost {

WorkerPool::WorkerPool(std::chrono::milliseconds idleLimit) : idleLimit_(idleLimit) {}

WorkerPool::~WorkerPool() {
    stop();
}

bool WorkerPool::submit(std::function<void()> job) {
    joinRetired();
    std::lock_guard lock(mutex_);
    if (stopping_)
        return false;
    if (idle_ <= jobs_.size()) {
        // Every idle worker has a queued job already. The new one runs only
        // once it gets the lock, after its place is set.
        Worker self = workers_.emplace(workers_.end());
        try {
            *self = std::thread([this, self] { work(self); });
        } catch (const std::system_error&) {
            workers_.erase(self);
            return false;
        }
    }
    jobs_.push_back(std::move(job));
    wake_.notify_one();
    return true;
}

void WorkerPool::work(Worker self) {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        wake_.wait_for(lock, idleLimit_, [this] { return stopping_ || !jobs_.empty(); });
        --idle_;
        if (!jobs_.empty()) {
            std::function<void()> job = std::move(jobs_.front());
            jobs_.pop_front();
            lock.unlock();
            job();
            lock.lock();
            continue;
        }
        if (stopping_)
            return;  // stop() joins it
        // Idle too long: whoever submits next, or stop(), joins it.
        retired_.push_back(std::move(*self));
        workers_.erase(self);
        return;
    }
}

void WorkerPool::joinRetired() {
    std::vector<std::thread> ended;
    {
        std::lock_guard lock(mutex_);
        ended.swap(retired_);
    }
    for (std::thread& thread : ended)
        thread.join();
}

void WorkerPool::stop() {
    std::list<std::thread> workers;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        workers.swap(workers_);
    }
    wake_.notify_all();
    for (std::thread& thread : workers)
        thread.join();
    joinRetired();
}

}  // namespace ravhost
