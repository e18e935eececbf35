// One named semaphore (maximum count 1) through which the processes that
// share a board serialise a step; closing it when destroyed.
#pragma once

#include "lib/os/NamedSemaphore.h"

#include <cstdint>

namespace ravlib {

class SemCtrl {
public:
    SemCtrl();
    ~SemCtrl();
    SemCtrl(const SemCtrl&) = delete;
    SemCtrl& operator=(const SemCtrl&) = delete;

    // Creates the semaphore free, or opens the existing one (not told
    // apart). 1 when a handle was obtained, 0 otherwise; a handle already
    // held is closed first.
    int32_t create(const char* name);
    // The raw wait result (os/SyncWait.h). A semaphore taken over from a
    // holder that died gives kWaitAbandoned, and a detail line says so.
    uint32_t wait(uint32_t milliseconds);
    // 1 when given back, 0 when this thread did not hold it.
    int32_t release();
    void close();

    bool isOpen() const { return handle_.isOpen(); }
    const char* name() const { return name_; }

private:
    os::NamedSemaphore handle_;
    char name_[260];
};

}  // namespace ravlib
