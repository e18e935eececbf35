#include "host/TickWorker.h"

namespace ravhost {

TickWorker::TickWorker() : thread_([this] { run(); }) {}

TickWorker::~TickWorker() {
    stop();
}

void TickWorker::bind(ravkern::DeferredRoutine routine, void* context, ravkern::KDpc* dpc) {
    std::lock_guard lock(mutex_);
    routine_ = routine;
    context_ = context;
    dpc_ = dpc;
}

bool TickWorker::setTimer(std::chrono::nanoseconds delay) {
    std::lock_guard lock(mutex_);
    bool armed = deadline_.has_value();
    deadline_ = std::chrono::steady_clock::now() + delay;
    wake_.notify_all();
    return armed;
}

bool TickWorker::cancelTimer() {
    std::lock_guard lock(mutex_);
    bool armed = deadline_.has_value();
    deadline_.reset();
    return armed;
}

bool TickWorker::insert() {
    std::lock_guard lock(mutex_);
    if (queued_)
        return false;
    queued_ = true;
    wake_.notify_all();
    return true;
}

bool TickWorker::remove() {
    std::unique_lock lock(mutex_);
    bool wasQueued = queued_;
    queued_ = false;
    idle_.wait(lock, [this] { return !running_; });
    return wasQueued;
}

void TickWorker::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        wake_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
}

void TickWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_)
            return;
        if (deadline_ && std::chrono::steady_clock::now() >= *deadline_) {
            deadline_.reset();
            queued_ = true;
        }
        if (queued_ && routine_) {
            queued_ = false;
            running_ = true;
            auto routine = routine_;
            void* context = context_;
            ravkern::KDpc* dpc = dpc_;
            lock.unlock();
            routine(dpc, context);
            lock.lock();
            running_ = false;
            idle_.notify_all();
            continue;
        }
        if (deadline_)
            wake_.wait_until(lock, *deadline_);
        else
            wake_.wait(lock);
    }
}

}  // namespace ravhost
