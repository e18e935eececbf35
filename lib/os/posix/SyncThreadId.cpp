// Cached per thread; a forked child's thread has a new id, so the fork
// handler forgets the cached one.
#include "lib/os/posix/SyncThreadId.h"

#include <pthread.h>
#include <unistd.h>

namespace ravlib::os::sync {

namespace {

thread_local pid_t cachedId = 0;

void forgetAfterFork() {
    cachedId = 0;
}

}  // namespace

pid_t currentThreadId() {
    static const int registered = pthread_atfork(nullptr, nullptr, forgetAfterFork);
    (void)registered;
    if (cachedId == 0)
        cachedId = gettid();
    return cachedId;
}

}  // namespace ravlib::os::sync
