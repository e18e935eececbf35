#include "lib/os/Clock.h"

#include <ctime>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(Clock, LocalTimeMatchesTheCalendarOfTheMoment) {
    std::time_t before = std::time(nullptr);
    ravlib::os::LocalTime now = ravlib::os::localTime();
    std::time_t after = std::time(nullptr);
    std::tm parts{};
    parts.tm_year = now.year - 1900;
    parts.tm_mon = now.month - 1;
    parts.tm_mday = now.day;
    parts.tm_hour = now.hour;
    parts.tm_min = now.minute;
    parts.tm_sec = now.second;
    parts.tm_isdst = -1;
    std::time_t back = std::mktime(&parts);
    EXPECT_LE(before, back);
    EXPECT_GE(after, back);
}

TEST(Clock, TickCountsMillisecondsForward) {
    uint32_t first = ravlib::os::tickMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    uint32_t second = ravlib::os::tickMs();
    uint32_t elapsed = second - first;  // unsigned difference survives a wrap
    EXPECT_GE(elapsed, 30u);
    EXPECT_LT(elapsed, 60000u);
}

TEST(Clock, TickIsTheTimeSinceBootTruncatedTo32Bits) {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    uint32_t expected = static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
    uint32_t tick = ravlib::os::tickMs();
    EXPECT_LT(tick - expected, 1000u);
}

}  // namespace
