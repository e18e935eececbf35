// The kernel's id of the calling thread, without a system call after the
// first use in each thread.
#pragma once

#include <sys/types.h>

namespace ravlib::os::sync {

pid_t currentThreadId();

}  // namespace ravlib::os::sync
