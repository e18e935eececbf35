// pthreads. start returns only once the new thread has published its id, so
// the id is known when start returns, as with the Windows call.
#include "lib/os/Thread.h"

#include "lib/os/TestSeams.h"

#include <new>
#include <pthread.h>
#include <type_traits>
#include <unistd.h>

namespace ravlib::os {

namespace {

static_assert(std::is_same_v<pthread_t, unsigned long>, "a thread handle is kept as unsigned long");

struct Start {
    Thread::Body body;
    void* context;
    std::atomic<std::uint32_t>* id;
};

}  // namespace

Thread::~Thread() {
    join();
}

void* Thread::entry(void* start) {
    Start copy = *static_cast<Start*>(start);
    delete static_cast<Start*>(start);
    // The Thread object outlives this thread (it joins before it goes), so
    // the id word may be touched after start has returned.
    copy.id->store(static_cast<std::uint32_t>(gettid()), std::memory_order_release);
    copy.id->notify_all();
    copy.body(copy.context);
    return nullptr;
}

bool Thread::start(Body body, void* context) {
    if (started_ || body == nullptr || detail::injectedFailure(testing::SyncKind::Thread))
        return false;
    auto* start = new (std::nothrow) Start{body, context, &id_};
    if (start == nullptr)
        return false;
    id_.store(0, std::memory_order_relaxed);
    pthread_t thread;
    if (pthread_create(&thread, nullptr, entry, start) != 0) {
        delete start;
        return false;
    }
    handle_ = thread;
    started_ = true;
    id_.wait(0, std::memory_order_acquire);
    return true;
}

void Thread::join() {
    if (!started_)
        return;
    pthread_join(handle_, nullptr);
    started_ = false;
    handle_ = 0;
    id_.store(0, std::memory_order_release);
}

}  // namespace ravlib::os
