// A named mutex, not a Win32 semaphore: a semaphore has no owner, so a
// holder that dies would keep it taken for ever, while the kernel hands a
// dead holder's mutex to the next waiter as abandoned. A mutex may be taken
// again by its owner; the threads' own lists of what they hold refuse that.
#include "lib/os/NamedSemaphore.h"

#include "lib/os/SyncWait.h"
#include "lib/os/TestSeams.h"

#include <windows.h>

namespace ravlib::os {

namespace {

// Far more than the three semaphores of each of the four boards.
constexpr int kHeldPerThread = 32;
thread_local const NamedSemaphore* heldHere[kHeldPerThread] = {};

const NamedSemaphore** slotOf(const NamedSemaphore* semaphore) {
    for (auto& slot : heldHere) {
        if (slot == semaphore)
            return &slot;
    }
    return nullptr;
}

}  // namespace

NamedSemaphore::~NamedSemaphore() {
    close();
}

bool NamedSemaphore::open(const char* name) {
    if (isOpen() || name == nullptr || *name == '\0' || detail::injectedFailure(testing::SyncKind::Semaphore))
        return false;
    mutex_ = CreateMutexA(nullptr, FALSE, name);
    return mutex_ != nullptr;
}

void NamedSemaphore::close() {
    if (!isOpen())
        return;
    // Closed while taken: given back, so that other holders are not blocked
    // until this thread ends.
    release();
    CloseHandle(mutex_);
    mutex_ = nullptr;
}

std::uint32_t NamedSemaphore::wait(std::uint32_t milliseconds) {
    if (!isOpen() || slotOf(this) != nullptr)
        return kWaitFailed;
    const NamedSemaphore** slot = slotOf(nullptr);
    if (slot == nullptr)
        return kWaitFailed;
    switch (WaitForSingleObject(mutex_, milliseconds)) {
    case WAIT_OBJECT_0: *slot = this; return kWaitObject0;
    case WAIT_ABANDONED:
        // What the dead holder guarded is chip state, which needs no repair.
        *slot = this;
        return kWaitAbandoned;
    case WAIT_TIMEOUT: return kWaitTimeout;
    default: return kWaitFailed;
    }
}

bool NamedSemaphore::release() {
    const NamedSemaphore** slot = slotOf(this);
    if (!isOpen() || slot == nullptr || !ReleaseMutex(mutex_))
        return false;
    *slot = nullptr;
    return true;
}

}  // namespace ravlib::os
