// A robust, process-shared pthread mutex in the object file: taking and
// giving back a free semaphore are an atomic instruction each, and the
// kernel marks the mutex when its owner dies. The owner's thread id sits in
// the mutex word (the kernel's robust futex format), so a second take by the
// holder and a release by anyone else are refused before the mutex is
// touched.
#include "lib/os/NamedSemaphore.h"

#include "lib/os/SyncWait.h"
#include "lib/os/TestSeams.h"
#include "lib/os/posix/SyncDeadline.h"
#include "lib/os/posix/SyncObjectFile.h"
#include "lib/os/posix/SyncThreadId.h"

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <ctime>
#include <linux/futex.h>
#include <pthread.h>

namespace ravlib::os {

namespace {

struct SemaphoreLayout {
    std::uint32_t tag;
    std::uint32_t reserved;
    pthread_mutex_t mutex;
};

pthread_mutex_t* mutexIn(void* view) {
    return reinterpret_cast<pthread_mutex_t*>(static_cast<char*>(view) + offsetof(SemaphoreLayout, mutex));
}

bool heldByThisThread(pthread_mutex_t* mutex) {
    int word = std::atomic_ref<int>(mutex->__data.__lock).load(std::memory_order_relaxed);
    return static_cast<pid_t>(word & FUTEX_TID_MASK) == sync::currentThreadId();
}

bool initialise(void* view) {
    pthread_mutexattr_t attributes;
    if (pthread_mutexattr_init(&attributes) != 0)
        return false;
    bool ok = pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED) == 0 &&
              pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST) == 0 &&
              pthread_mutex_init(mutexIn(view), &attributes) == 0;
    pthread_mutexattr_destroy(&attributes);
    return ok;
}

}  // namespace

NamedSemaphore::~NamedSemaphore() {
    close();
}

bool NamedSemaphore::open(const char* name) {
    if (isOpen() || detail::injectedFailure(testing::SyncKind::Semaphore))
        return false;
    void* view = sync::openObject(object_, name, sync::kTagSemaphore, sizeof(SemaphoreLayout), initialise);
    if (view == nullptr)
        return false;
    mutex_ = mutexIn(view);
    return true;
}

void NamedSemaphore::close() {
    if (!isOpen())
        return;
    // Closed while taken: given back, so that other holders are not blocked
    // until this thread ends.
    release();
    mutex_ = nullptr;
    object_.close();
}

std::uint32_t NamedSemaphore::wait(std::uint32_t milliseconds) {
    if (!isOpen())
        return kWaitFailed;
    auto* mutex = static_cast<pthread_mutex_t*>(mutex_);
    if (heldByThisThread(mutex))
        return kWaitFailed;
    int rc;
    if (milliseconds == kInfinite) {
        rc = pthread_mutex_lock(mutex);
    } else if (milliseconds == 0) {
        rc = pthread_mutex_trylock(mutex);
    } else {
        // A wall-clock deadline: the sanitizers know timedlock, not clocklock.
        timespec deadline = sync::deadlineAfter(CLOCK_REALTIME, milliseconds);
        rc = pthread_mutex_timedlock(mutex, &deadline);
    }
    switch (rc) {
    case 0: return kWaitObject0;
    case EOWNERDEAD:
        // Whatever the dead holder guarded is chip state, which needs no
        // repair: the semaphore is usable again at once.
        pthread_mutex_consistent(mutex);
        return kWaitAbandoned;
    case EBUSY:
    case ETIMEDOUT: return kWaitTimeout;
    default: return kWaitFailed;
    }
}

bool NamedSemaphore::release() {
    if (!isOpen())
        return false;
    auto* mutex = static_cast<pthread_mutex_t*>(mutex_);
    return heldByThisThread(mutex) && pthread_mutex_unlock(mutex) == 0;
}

}  // namespace ravlib::os
