// Holds one of a board's named semaphores for a scope. The wait has no time
// limit: a holder that died is recovered by the semaphore itself. A null
// semaphore is not taken.
#pragma once

#include "lib/os/SyncWait.h"
#include "lib/sync/SemCtrl.h"

namespace ravlib {

class SemHold {
public:
    explicit SemHold(SemCtrl* sem) : sem_(sem) {
        if (sem_)
            sem_->wait(os::kInfinite);
    }
    ~SemHold() {
        if (sem_)
            sem_->release();
    }
    SemHold(const SemHold&) = delete;
    SemHold& operator=(const SemHold&) = delete;

private:
    SemCtrl* sem_;
};

}  // namespace ravlib
