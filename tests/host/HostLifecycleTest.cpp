// ravkernd as a process: start-up, devices, prepare failures, arguments,
// shutdown.
#include "chip/Mky43.h"
#include "sim/RegisterAccess.h"
#include "tests/support/DeviceClient.h"
#include "tests/support/HostProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace ravtest {
namespace {

using ravkern::ConnectState;
using ravkern::DipSwitchInfo;

TEST(HostLifecycle, TwoBoardsServeWithTheirSwitches) {
    HostProcess host;
    host.spawn({"--board", "0", "--board", "1"});
    ASSERT_TRUE(host.waitReady()) << host.standardError();
    EXPECT_EQ("ready\n", host.standardOutput());
    EXPECT_TRUE(host.exists("Ravkern0"));
    EXPECT_TRUE(host.exists("Ravkern1"));
    EXPECT_FALSE(host.exists("Ravkern2"));
    for (int n : {0, 1}) {
        Device device(n);
        ASSERT_TRUE(device.valid()) << ravlib::os::deviceLastError();
        DipSwitchInfo info{};
        ASSERT_EQ(0, device.dipSwitch(info)) << ravlib::os::deviceLastError();
        EXPECT_EQ(0, std::memcmp(info.tag, "DIPSW\0\0\0", 8));
        EXPECT_EQ(n, info.value);
        EXPECT_EQ(0, info.reserved[0]);
        EXPECT_EQ(0, info.reserved[1]);
    }
    EXPECT_EQ(0, host.stop(SIGTERM));
}

TEST(HostLifecycle, NoBoardArgumentMeansOneBoardWithSwitchZero) {
    HostProcess host;
    host.spawn({});
    ASSERT_TRUE(host.waitReady()) << host.standardError();
    Device device(0);
    DipSwitchInfo info{};
    ASSERT_EQ(0, device.dipSwitch(info));
    EXPECT_EQ(0, info.value);
    EXPECT_FALSE(host.exists("Ravkern1"));
    EXPECT_EQ(0, host.stop(SIGINT));
}

TEST(HostLifecycle, SwitchValueTakesTheWholeHighByte) {
    HostProcess host;
    host.spawn({"--board", "255", "--board", "2"});
    ASSERT_TRUE(host.waitReady()) << host.standardError();
    DipSwitchInfo info{};
    ASSERT_EQ(0, Device(0).dipSwitch(info));
    EXPECT_EQ(255, info.value);
    ASSERT_EQ(0, Device(1).dipSwitch(info));
    EXPECT_EQ(2, info.value);
}

template <typename Pred>
bool within(std::chrono::seconds limit, Pred pred) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

TEST(HostLifecycle, ConnectRunsTheSimulatedChipAndDisconnectStopsIt) {
    HostProcess host;
    host.spawn({"--board", "0"});
    ASSERT_TRUE(host.waitReady()) << host.standardError();
    Device device(0);
    ravkern::MapRequest map{};
    ASSERT_EQ(0, device.map(map));
    auto* chip = reinterpret_cast<std::uint8_t*>(map.userAddress);
    ravsim::write16(chip, mky43::BCR, 0x0040);  // a rate bit the composition keeps

    ASSERT_EQ(0, device.connect(ravkern::IOCTL_BOARD_CONNECT, "7", 3));
    ConnectState state{};
    // The sequence needs some 80 ms; the bound is generous for loaded machines.
    EXPECT_TRUE(within(std::chrono::seconds(10), [&] { return device.state(state) == 0 && state.status == 1004; }))
        << state.status;
    EXPECT_EQ(7, state.sa);
    EXPECT_EQ(3, state.slen);
    EXPECT_EQ(0x0347, ravsim::read16(chip, mky43::BCR));
    // 1004 is entered as the start is written; the bit follows within cycles.
    EXPECT_TRUE(within(std::chrono::seconds(10),
                       [&] { return ravsim::read16(chip, mky43::SCR) == (mky43::kScrStart | mky43::kScrRunning); }))
        << std::hex << ravsim::read16(chip, mky43::SCR);
    std::uint16_t cycles = ravsim::read16(chip, mky43::CCTR);
    EXPECT_TRUE(within(std::chrono::seconds(10), [&] { return ravsim::read16(chip, mky43::CCTR) != cycles; }))
        << "the bus cycle counts";

    ravsim::write16(chip, 8 * 7, 0x1234);
    ASSERT_EQ(0, device.control(ravkern::IOCTL_BOARD_DISCONNECT, nullptr, 0, nullptr, 0));
    EXPECT_TRUE(within(std::chrono::seconds(10), [&] {
        return (ravsim::read16(chip, mky43::SCR) & mky43::kScrRunning) == 0 && ravsim::read16(chip, 8 * 7) == 0;
    })) << "the disconnect ends communication and clears GM";
    ASSERT_EQ(0, device.state(state));
    EXPECT_EQ(0, state.status);
    EXPECT_EQ(0, device.unmap(map.userAddress));
    EXPECT_EQ(0, host.stop(SIGTERM));
}

TEST(HostLifecycle, SignalsReleaseAndRemoveEverySocket) {
    for (int signal : {SIGTERM, SIGINT}) {
        HostProcess host;
        host.spawn({"--board", "0", "--board", "1"});
        ASSERT_TRUE(host.waitReady()) << host.standardError();
        Device open(1);  // a client still connected does not hold the host
        ASSERT_TRUE(open.valid());
        EXPECT_EQ(0, host.stop(signal)) << host.standardError();
        EXPECT_FALSE(host.exists("Ravkern0"));
        EXPECT_FALSE(host.exists("Ravkern1"));
        DipSwitchInfo info{};
        EXPECT_EQ(-1, open.dipSwitch(info));
        EXPECT_EQ(ravlib::os::kErrorDeviceNotConnected, ravlib::os::deviceLastError());
    }
}

TEST(HostLifecycle, FailedPrepareLeavesNoSocketAndKeepsTheNumber) {
    HostProcess host;
    host.spawn({"--board", "3:1", "--board", "3:2", "--board", "5", "--board", "6:0"});
    ASSERT_TRUE(host.waitReady()) << host.standardError();
    std::string err = host.standardError();
    EXPECT_NE(std::string::npos, err.find("OrloPnpSetupDeviceResources: Missing memory resource 0\n")) << err;
    EXPECT_NE(std::string::npos, err.find("OrloPnpSetupDeviceResources: Missing memory resource 1\n")) << err;
    EXPECT_FALSE(host.exists("Ravkern0"));
    EXPECT_FALSE(host.exists("Ravkern1"));
    EXPECT_TRUE(host.exists("Ravkern2"));
    EXPECT_FALSE(host.exists("Ravkern3"));
    DipSwitchInfo info{};
    ASSERT_EQ(0, Device(2).dipSwitch(info));
    EXPECT_EQ(5, info.value);
    EXPECT_EQ(0, host.stop(SIGTERM));
}

TEST(HostLifecycle, SecondHostOnOneDirectoryIsRefused) {
    HostProcess first;
    first.spawn({});
    ASSERT_TRUE(first.waitReady());
    HostProcess second;
    // Same directory as the first, given explicitly after the default one.
    second.spawn({"--runtime-dir", first.dir()});
    EXPECT_FALSE(second.waitReady(5000));
    EXPECT_EQ(1, second.waitExit());
    EXPECT_NE(std::string::npos, second.standardError().find("another ravkernd serves")) << second.standardError();
    setenv("RAVEL_RUNTIME_DIR", first.dir().c_str(), 1);
    DipSwitchInfo info{};
    EXPECT_EQ(0, Device(0).dipSwitch(info)) << "the first host is untouched";
}

struct BadArguments {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

class HostArguments : public ::testing::TestWithParam<BadArguments> {};

TEST_P(HostArguments, AreRefusedWithStatus2AndAReason) {
    HostProcess host;
    host.spawn(GetParam().args);
    EXPECT_EQ(2, host.waitExit());
    EXPECT_EQ("", host.standardOutput());
    EXPECT_NE(std::string::npos, host.standardError().find(GetParam().message)) << host.standardError();
    EXPECT_FALSE(host.exists("Ravkern0"));
}

INSTANTIATE_TEST_SUITE_P(
    Table, HostArguments,
    ::testing::Values(BadArguments{"SwitchAbove255", {"--board", "256"}, "bad --board 256"},
                      BadArguments{"NegativeSwitch", {"--board", "-1"}, "bad --board -1"},
                      BadArguments{"SwitchNotANumber", {"--board", "x"}, "bad --board x"},
                      BadArguments{"RangesAbove3", {"--board", "1:4"}, "bad --board 1:4"},
                      BadArguments{"EmptyRanges", {"--board", "1:"}, "bad --board 1:"},
                      BadArguments{"TrailingBlank", {"--board", "1 "}, "bad --board 1 "},
                      BadArguments{"MissingValue", {"--board"}, "--board needs a value"},
                      BadArguments{"ZeroCycle", {"--cycle-us", "0"}, "bad --cycle-us 0"},
                      BadArguments{"HugeCycle", {"--cycle-us", "99999999999"}, "bad --cycle-us"},
                      BadArguments{"UnknownOption", {"--frob"}, "unknown argument: --frob"},
                      BadArguments{"StationRole", {"--station", "10:2:mirror"}, "bad --station 10:2:mirror"},
                      BadArguments{"StationBeyond63", {"--station", "62:3:idle"}, "bad --station 62:3:idle"},
                      BadArguments{"StationsOverlap",
                                   {"--station", "10:2:counter", "--station", "11:1:echo"},
                                   "--station 11:1:echo overlaps --station 10:2"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ravtest
