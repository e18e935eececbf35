#include "host/Options.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace ravhost {
namespace {

ParseResult parse(std::vector<const char*> args, HostConfig& config, std::string& message)
{
    args.insert(args.begin(), "ravkernd");
    return parseOptions(static_cast<int>(args.size()), args.data(), config, message);
}

TEST(Options, BoardsInOrderWithRangesAndCycle)
{
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

TEST(Options, DefaultsAreOneBoardAndTheRuntimeDirectory)
{
    char dir[] = "/tmp/ravkernd-options-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    std::string runtime = std::string(dir) + "/rt";
    setenv("RAVEL_RUNTIME_DIR", runtime.c_str(), 1);
    HostConfig config;
    std::string message;
    ASSERT_EQ(ParseResult::Run, parse({}, config, message));
    ASSERT_EQ(1u, config.boards.size());
    EXPECT_EQ(0u, config.boards[0].switchValue);
    EXPECT_EQ(3u, config.boards[0].ranges);
    EXPECT_EQ(std::chrono::microseconds(1000), config.cycle);
    EXPECT_EQ(runtime, config.runtimeDir);
    rmdir(runtime.c_str());
    rmdir(dir);
    unsetenv("RAVEL_RUNTIME_DIR");
}

TEST(Options, HelpAndUnsupported)
{
    HostConfig config;
    std::string message;
    EXPECT_EQ(ParseResult::Help, parse({"--board", "1", "--help"}, config, message));
    EXPECT_EQ(ParseResult::Unsupported, parse({"--station", "10:2:counter"}, config, message));
    EXPECT_NE(std::string::npos, message.find("not yet supported"));
    EXPECT_EQ(ParseResult::Bad, parse({"--runtime-dir", ""}, config, message));
}

}  // namespace
}  // namespace ravhost
