#include "lib/os/posix/SyncDeadline.h"

namespace ravlib::os::sync {

timespec deadlineAfter(clockid_t clock, std::uint32_t milliseconds) {
    timespec now{};
    clock_gettime(clock, &now);
    long long nanoseconds = now.tv_nsec + static_cast<long long>(milliseconds % 1000) * 1000000;
    now.tv_sec += static_cast<time_t>(milliseconds / 1000 + nanoseconds / 1000000000);
    now.tv_nsec = static_cast<long>(nanoseconds % 1000000000);
    return now;
}

bool passed(clockid_t clock, const timespec& deadline) {
    timespec now{};
    clock_gettime(clock, &now);
    return now.tv_sec > deadline.tv_sec || (now.tv_sec == deadline.tv_sec && now.tv_nsec >= deadline.tv_nsec);
}

}  // namespace ravlib::os::sync
