// A robust, process-shared, error-checking pthread mutex in the object file:
// taking and giving back a free semaphore are an atomic instruction each, the
// kernel marks the mutex when its owner dies, and a thread that takes it
// twice gets an error instead of a deadlock.
#include "lib/os/NamedSemaphore.h"

#include "lib/os/SyncWait.h"
#include "lib/os/TestSeams.h"
#include "lib/os/posix/SyncObjectFile.h"

#include <cerrno>
#include <cstddef>
#include <ctime>
#include <pthread.h>

namespace ravlib::os {

namespace {

struct SemaphoreLayout {
    std::uint32_t tag;
    std::uint32_t reserved;
    pthread_mutex_t mutex;
};

pthread_mutex_t* mutexIn(void* view)
{
    return reinterpret_cast<pthread_mutex_t*>(static_cast<char*>(view) + offsetof(SemaphoreLayout, mutex));
}

bool initialise(void* view)
{
    pthread_mutexattr_t attributes;
    if (pthread_mutexattr_init(&attributes) != 0)
        return false;
    bool ok = pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
              pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
              pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_ERRORCHECK) == 0 &&
              pthread_mutex_init(mutexIn(view), &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
    return ok;
}

// The time-out as a wall-clock deadline: the sanitizers know timedlock.
timespec deadlineAfter(std::uint32_t milliseconds)
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    long long nanoseconds = now.tv_nsec + static_cast<long long>(milliseconds % 1000) * 1000000;
    now.tv_sec += static_cast<time_t>(milliseconds / 1000 + nanoseconds / 1000000000);
    now.tv_nsec = static_cast<long>(nanoseconds % 1000000000);
    return now;
}

}  // namespace

NamedSemaphore::~NamedSemaphore()
{
    close();
}

bool NamedSemaphore::open(const char* name)
{
    if (isOpen() || detail::injectedFailure(testing::SyncKind::Semaphore))
        return false;
    void* view = sync::openObject(object_, name, sync::kTagSemaphore, sizeof(SemaphoreLayout), initialise);
    if (view == nullptr)
        return false;
    mutex_ = mutexIn(view);
    return true;
}

void NamedSemaphore::close()
{
    if (!isOpen())
        return;
    mutex_ = nullptr;
    object_.close();
}

std::uint32_t NamedSemaphore::wait(std::uint32_t milliseconds)
{
    if (!isOpen())
        return kWaitFailed;
    auto* mutex = static_cast<pthread_mutex_t*>(mutex_);
    int rc;
    if (milliseconds == kInfinite) {
        rc = pthread_mutex_lock(mutex);
    } else if (milliseconds == 0) {
        rc = pthread_mutex_trylock(mutex);
    } else {
        timespec deadline = deadlineAfter(milliseconds);
        rc = pthread_mutex_timedlock(mutex, &deadline);
    }
    switch (rc) {
    case 0:
        return kWaitObject0;
    case EOWNERDEAD:
        // Whatever the dead holder guarded is chip state, which needs no
        // repair: the semaphore is usable again at once.
        pthread_mutex_consistent(mutex);
        return kWaitAbandoned;
    case EBUSY:
    case ETIMEDOUT:
        return kWaitTimeout;
    default:
        return kWaitFailed;
    }
}

bool NamedSemaphore::release()
{
    return isOpen() && pthread_mutex_unlock(static_cast<pthread_mutex_t*>(mutex_)) == 0;
}

}  // namespace ravlib::os
