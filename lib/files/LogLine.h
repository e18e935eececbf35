// One line of the diagnostic log: "MM/DD/YY HH:MM:SS [tick] marker message\r\n".
#pragma once

#include "lib/os/Clock.h"

#include <cstdint>

namespace ravlib {

inline constexpr uint32_t logLineSize = 260;

// Builds the line into `out` (NUL-terminated) and returns its length. A
// message that does not fit is shortened; the line always ends in "\r\n".
// A level whose severity is not a single known bit gets neither marker nor
// message.
uint32_t formatLogLine(char (&out)[logLineSize], const os::LocalTime& time, bool withTick, uint32_t tick, int32_t level,
                       const char* message);

}  // namespace ravlib
