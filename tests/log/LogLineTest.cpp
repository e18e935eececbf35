#include "lib/files/LogLine.h"

#include "tests/log/LogTestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

using ravlib::formatLogLine;

struct LineCase {
    const char* name;
    ravlib::os::LocalTime time;
    bool withTick;
    uint32_t tick;
    int32_t level;
    const char* message;
    const char* expected;
};

class LogLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LogLineTest, IsFormattedByteForByte) {
    const auto& c = GetParam();
    char line[ravlib::logLineSize];
    uint32_t length = formatLogLine(line, c.time, c.withTick, c.tick, c.level, c.message);
    EXPECT_EQ(std::string(c.expected), std::string(line, length));
    EXPECT_EQ(std::strlen(line), length);
}

constexpr ravlib::os::LocalTime when{2026, 12, 9, 5, 7, 3};

INSTANTIATE_TEST_SUITE_P(
    Lines, LogLineTest,
    ::testing::Values(
        LineCase{"Ng", when, false, 0, ravlib::LOG_NG, "msg", "12/09/26 05:07:03 @@   msg\r\n"},
        LineCase{"Trace", when, false, 0, ravlib::LOG_TRACE, "msg", "12/09/26 05:07:03 **   msg\r\n"},
        LineCase{"Detail", when, false, 0, ravlib::LOG_DETAIL, "msg", "12/09/26 05:07:03 ##    msg\r\n"},
        LineCase{"Severity8", when, false, 0, 0x10008, "msg", "12/09/26 05:07:03 ++     msg\r\n"},
        LineCase{"Severity16", when, false, 0, 0x10010, "msg", "12/09/26 05:07:03 --      msg\r\n"},
        LineCase{"Severity32", when, false, 0, 0x10020, "msg", "12/09/26 05:07:03 ==       msg\r\n"},
        LineCase{"TwoSeverityBits", when, false, 0, 0x10003, "msg", "12/09/26 05:07:03 \r\n"},
        LineCase{"NoSeverity", when, true, 7, 0x10000, "msg", "12/09/26 05:07:03 [7] \r\n"},
        LineCase{"Severity64", when, false, 0, 0x10040, "msg", "12/09/26 05:07:03 \r\n"},
        LineCase{"Tick", when, true, 123456, ravlib::LOG_TRACE, "x", "12/09/26 05:07:03 [123456] **   x\r\n"},
        LineCase{"TickZero", when, true, 0, ravlib::LOG_NG, "x", "12/09/26 05:07:03 [0] @@   x\r\n"},
        LineCase{"TickMax", when, true, 4294967295u, ravlib::LOG_NG, "", "12/09/26 05:07:03 [4294967295] @@   \r\n"},
        LineCase{
            "Year2000Midnight", {2000, 1, 1, 0, 0, 0}, false, 0, ravlib::LOG_NG, "a", "01/01/00 00:00:00 @@   a\r\n"},
        LineCase{"LateEvening",
                 {2099, 10, 31, 23, 59, 59},
                 false,
                 0,
                 ravlib::LOG_DETAIL,
                 "a b",
                 "10/31/99 23:59:59 ##    a b\r\n"},
        LineCase{"NullMessage", when, false, 0, ravlib::LOG_TRACE, nullptr, "12/09/26 05:07:03 **   \r\n"},
        LineCase{"PercentIsNotAFormat", when, false, 0, ravlib::LOG_TRACE, "100%s",
                 "12/09/26 05:07:03 **   100%s\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// "12/09/26 05:07:03 " and "@@   " leave 259 - 2 - 23 characters for the message.
constexpr std::size_t room = 259 - 2 - 23;

struct LengthCase {
    std::size_t messageLength;
    std::size_t keptLength;
};

class LongLineTest : public ::testing::TestWithParam<LengthCase> {};

TEST_P(LongLineTest, CutsTheMessageAndKeepsTheLineEnd) {
    std::string message(GetParam().messageLength, 'x');
    char line[ravlib::logLineSize];
    std::memset(line, '#', sizeof line);
    uint32_t length = formatLogLine(line, when, false, 0, ravlib::LOG_NG, message.c_str());
    std::string expected = "12/09/26 05:07:03 @@   " + std::string(GetParam().keptLength, 'x') + "\r\n";
    EXPECT_EQ(expected, std::string(line, length));
    EXPECT_EQ('\0', line[length]);
    EXPECT_LE(length, 259u);
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongLineTest,
                         ::testing::Values(LengthCase{room - 1, room - 1}, LengthCase{room, room},
                                           LengthCase{room + 1, room}, LengthCase{1000, room}));

TEST(LongLine, TheTickTakesRoomFromTheMessage) {
    std::string message(400, 'y');
    char line[ravlib::logLineSize];
    uint32_t length = formatLogLine(line, when, true, 4294967295u, ravlib::LOG_DETAIL, message.c_str());
    EXPECT_EQ(259u, length);
    EXPECT_EQ("\r\n", std::string(line + length - 2, 2));
    EXPECT_EQ(std::string("12/09/26 05:07:03 [4294967295] ##    y"), std::string(line, 38));
}

TEST(LongLine, AMessageWithoutTerminatorInRangeIsNotReadBeyondTheRoom) {
    // Exactly `room` bytes without a NUL: only those may be read.
    std::vector<char> message(room, 'z');
    char line[ravlib::logLineSize];
    uint32_t length = formatLogLine(line, when, false, 0, ravlib::LOG_NG, message.data());
    EXPECT_EQ(259u, length);
}

}  // namespace
