// A lock that serialises threads of one process. It can be made at compile
// time, for objects that must exist before any constructor runs.
#pragma once

#if defined(_WIN32)
#include "lib/os/win32/CriticalSection.h"
#else
#include "lib/os/posix/CriticalSection.h"
#endif
