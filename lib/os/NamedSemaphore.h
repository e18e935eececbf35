// A named semaphore with a maximum count of 1, shared by processes: it
// vanishes with its last holder, and a holder that dies while it has the
// semaphore taken does not keep it taken. Taking and giving back happen on
// the same thread.
#pragma once

#include "lib/os/NamedObject.h"

#include <cstdint>

namespace ravlib::os {

class NamedSemaphore {
public:
    NamedSemaphore() = default;
    ~NamedSemaphore();
    NamedSemaphore(const NamedSemaphore&) = delete;
    NamedSemaphore& operator=(const NamedSemaphore&) = delete;

    // Creates the semaphore (free) or opens the existing one. False when one
    // is already held here, the name is unusable or names another kind of
    // object, or the system refuses.
    bool open(const char* name);
    // Gives the semaphore back first when this thread has it taken.
    void close();
    bool isOpen() const { return mutex_ != nullptr; }

    // Takes the semaphore within `milliseconds` (kInfinite: no limit).
    // kWaitObject0; kWaitAbandoned when it was taken over from a holder that
    // died (it is consistent again and now held by this thread);
    // kWaitTimeout; kWaitFailed when not open or already held by this thread.
    std::uint32_t wait(std::uint32_t milliseconds);

    // Gives it back; false when this thread does not hold it.
    bool release();

private:
    NamedObject object_;
    void* mutex_ = nullptr;
};

}  // namespace ravlib::os
