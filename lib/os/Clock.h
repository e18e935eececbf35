// Local calendar time and the millisecond tick.
#pragma once

#include <cstdint>

namespace ravlib::os {

struct LocalTime {
    int year;    // e.g. 2026
    int month;   // 1..12
    int day;     // 1..31
    int hour;    // 0..23
    int minute;  // 0..59
    int second;  // 0..60
};

LocalTime localTime();

// Milliseconds since the system started, wrapping at 2^32.
uint32_t tickMs();

}  // namespace ravlib::os
