// One named mutex whose existence marks that a process has mail open on a
// board line; it is never waited on. Closed when destroyed.
#pragma once

#include "lib/os/NamedMutex.h"

#include <cstdint>

namespace ravlib {

class MutxCtrl {
public:
    MutxCtrl();
    virtual ~MutxCtrl();
    MutxCtrl(const MutxCtrl&) = delete;
    MutxCtrl& operator=(const MutxCtrl&) = delete;

    // Creates the mutex, or opens it when it exists already (then isNew
    // becomes 0). 1 when a handle was obtained, 0 otherwise; a handle
    // already held is closed first.
    int32_t create(const char* name);
    // Closes the handle if held; isNew becomes 1.
    void close();

    // 1 after construction and close; 0 when the last create found the
    // mutex existing.
    int32_t isNew() const { return isNew_; }
    bool isOpen() const { return handle_.isOpen(); }
    const char* name() const { return name_; }

private:
    os::NamedMutex handle_;
    char name_[260];
    int32_t isNew_ = 1;
};

}  // namespace ravlib
