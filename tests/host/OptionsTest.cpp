#include "host/Options.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

namespace ravhost {
namespace {

ParseResult parse(std::vector<const char*> args, HostConfig& config, std::string& message) {
    args.insert(args.begin(), "ravkernd");
    return parseOptions(static_cast<int>(args.size()), args.data(), config, message);
}

TEST(Options, BoardsInOrderWithRangesAndCycle) {
    HostConfig config;
    std::string message;
    ASSERT_EQ(ParseResult::Run, parse({"--runtime-dir", "/tmp/x", "--board", "3:1", "--board", "0", "--board", "255:0",
                                       "--cycle-us", "250"},
                                      config, message));
    EXPECT_EQ("/tmp/x", config.runtimeDir);
    ASSERT_EQ(3u, config.boards.size());
    EXPECT_EQ(3u, config.boards[0].switchValue);
    EXPECT_EQ(1u, config.boards[0].ranges);
    EXPECT_EQ(0u, config.boards[1].switchValue);
    EXPECT_EQ(3u, config.boards[1].ranges);
    EXPECT_EQ(255u, config.boards[2].switchValue);
    EXPECT_EQ(0u, config.boards[2].ranges);
    EXPECT_EQ(std::chrono::microseconds(250), config.cycle);
}

TEST(Options, DefaultsAreOneBoardAndTheRuntimeDirectory) {
    ravtest::Sandbox box;
    std::string runtime = box.runtime();
    HostConfig config;
    std::string message;
    ASSERT_EQ(ParseResult::Run, parse({}, config, message));
    ASSERT_EQ(1u, config.boards.size());
    EXPECT_EQ(0u, config.boards[0].switchValue);
    EXPECT_EQ(3u, config.boards[0].ranges);
    EXPECT_EQ(std::chrono::microseconds(1000), config.cycle);
    EXPECT_EQ(runtime, config.runtimeDir);
}

TEST(Options, HelpAndBadValues) {
    HostConfig config;
    std::string message;
    EXPECT_EQ(ParseResult::Help, parse({"--board", "1", "--help"}, config, message));
    EXPECT_EQ(ParseResult::Bad, parse({"--runtime-dir", ""}, config, message));
}

TEST(Options, StationsInOrderWithRoles) {
    HostConfig config;
    std::string message;
    ASSERT_EQ(ParseResult::Run, parse({"--runtime-dir", "/tmp/x", "--station", "10:2:counter", "--station", "20:1:echo",
                                       "--station", "30:34:idle", "--mail-min-us", "0"},
                                      config, message))
        << message;
    ASSERT_EQ(3u, config.stations.size());
    EXPECT_EQ(10u, config.stations[0].address);
    EXPECT_EQ(2u, config.stations[0].size);
    EXPECT_EQ(ravsim::StationRole::Counter, config.stations[0].role);
    EXPECT_EQ(ravsim::StationRole::Echo, config.stations[1].role);
    EXPECT_EQ(34u, config.stations[2].size);
    EXPECT_EQ(ravsim::StationRole::Idle, config.stations[2].role);
    EXPECT_EQ(std::chrono::microseconds(0), config.mailMinimum);
}

class BadStationOption : public ::testing::TestWithParam<const char*> {};

TEST_P(BadStationOption, IsRefusedWithTheReason) {
    HostConfig config;
    std::string message;
    EXPECT_EQ(ParseResult::Bad, parse({"--runtime-dir", "/tmp/x", "--station", GetParam()}, config, message));
    EXPECT_NE(std::string::npos, message.find("SA:SIZE:ROLE")) << message;
}

INSTANTIATE_TEST_SUITE_P(Values, BadStationOption,
                         ::testing::Values("10:2", "10:2:", "10:2:mirror", "64:1:idle", "10:0:idle", "60:5:echo",
                                           "x:1:idle", "10:1:idle:", ":1:idle", "10::idle", "-1:1:idle", "10:65:idle"));

TEST(Options, OverlappingStationsAreRefused) {
    HostConfig config;
    std::string message;
    EXPECT_EQ(ParseResult::Bad,
              parse({"--runtime-dir", "/tmp/x", "--station", "30:34:idle", "--station", "0:31:echo"}, config, message));
    EXPECT_EQ("--station 0:31:echo overlaps --station 30:34", message);
    EXPECT_EQ(ParseResult::Run,
              parse({"--runtime-dir", "/tmp/x", "--station", "30:34:idle", "--station", "0:30:echo"}, config, message));
}

TEST(Options, BadMailTime) {
    HostConfig config;
    std::string message;
    EXPECT_EQ(ParseResult::Bad, parse({"--mail-min-us", "-5"}, config, message));
    EXPECT_EQ(ParseResult::Bad, parse({"--mail-min-us", "10000001"}, config, message));
}

struct ConfigCase {
    const char* name;
    const char* text;     // of the file; null: no such file
    const char* message;  // empty: the file's options are taken
};

class ConfigFile : public ::testing::TestWithParam<ConfigCase> {};

// A file's options take their place among the command line's.
TEST_P(ConfigFile, IsReadInPlaceOrRefusedWithTheLine) {
    const ConfigCase& c = GetParam();
    ravtest::Sandbox box;
    std::string path = box.root() + "/ravkernd.conf";
    if (c.text)
        ravtest::writeFile(path, c.text);
    HostConfig config;
    std::string message;
    ParseResult result = parse({"--board", "7", "--config", path.c_str(), "--cycle-us", "500"}, config, message);
    EXPECT_EQ(std::string(c.message).empty() ? ParseResult::Run : ParseResult::Bad, result);
    std::string expected = c.text ? path + ":" + c.message : c.message + path;
    EXPECT_EQ(std::string(c.message).empty() ? "" : expected, message);
    if (result == ParseResult::Run) {
        ASSERT_EQ(2u, config.boards.size());
        EXPECT_EQ(7u, config.boards[0].switchValue);
        EXPECT_EQ(2u, config.boards[1].ranges);
        ASSERT_EQ(1u, config.stations.size());
        EXPECT_EQ(ravsim::StationRole::Echo, config.stations[0].role);
        EXPECT_EQ("/srv/r", config.runtimeDir);
        EXPECT_EQ(std::chrono::microseconds(500), config.cycle);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ConfigFile,
    ::testing::Values(
        ConfigCase{"Taken", "# demo\n\n  board 3:2  # second\r\nstation\t20:1:echo\nruntime-dir /srv/r\ncycle-us 90\n",
                   ""},
        ConfigCase{"Missing", nullptr, "cannot read --config "},
        ConfigCase{"UnknownOption", "board 1\nboards 2\n", "2: unknown option boards"},
        ConfigCase{"Nested", "config /etc/passwd\n", "1: unknown option config"},
        ConfigCase{"NoValue", "station\n", "1: station needs a value"},
        ConfigCase{"Binary", "board 1\nboard\x01\x7f 2\n", "2: not a line of text"},
        ConfigCase{"BadValue", "\n\nboard 256\n", "3: bad --board 256: want SWITCH (0..255) or SWITCH:RANGES (0..3)"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ravhost
