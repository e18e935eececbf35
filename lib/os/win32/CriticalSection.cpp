#include "lib/os/CriticalSection.h"

#include <windows.h>

namespace ravlib::os {

static_assert(sizeof(SRWLOCK) == sizeof(void*));

void CriticalSection::enter() {
    AcquireSRWLockExclusive(reinterpret_cast<SRWLOCK*>(&lock_));
}

void CriticalSection::leave() {
    ReleaseSRWLockExclusive(reinterpret_cast<SRWLOCK*>(&lock_));
}

}  // namespace ravlib::os
