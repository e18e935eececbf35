// Absolute deadlines for timed waits.
#pragma once

#include <cstdint>
#include <ctime>

namespace ravlib::os::sync {

// Now on `clock` plus `milliseconds`.
timespec deadlineAfter(clockid_t clock, std::uint32_t milliseconds);

// True once `clock` has reached `deadline`.
bool passed(clockid_t clock, const timespec& deadline);

}  // namespace ravlib::os::sync
