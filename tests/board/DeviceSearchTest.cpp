// The device search of RV_open: devices numbered from 0 without gaps, the
// first whose switch names the board wins; and the rate code of Ravlib.ini.
#include <cstdio>

#include "lib/Ravlib.h"
#include "lib/board/BoardTable.h"
#include "tests/support/FakeDevice.h"
#include "tests/support/HostedLibrary.h"

namespace boardtest {
namespace {

struct SearchCase {
    const char* name;
    std::vector<std::string> host;
    // Result of RV_open for boards 0..3, and the device each open board is on.
    int32_t result[4];
    int32_t device[4];
};

class DeviceSearch : public HostedLibrary, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(DeviceSearch, FindsTheFirstDeviceWithTheBoardsSwitch) {
    const SearchCase& c = GetParam();
    start(c.host);
    for (int32_t board = 0; board < 4; ++board) {
        const std::string name = "RavlibBrd" + std::to_string(board);
        EXPECT_EQ(RV_open(board), c.result[board]) << "board " << board;
        const std::vector<std::string> lines = newLines();
        if (c.result[board] != MKY43_ER_OK) {
            EXPECT_EQ(lines.at(4), detail(name + " open: NG: <CE=2>"));
            EXPECT_FALSE(ravlib::boardTable().find(board));
            continue;
        }
        auto ctrl = ravlib::boardTable().find(board);
        ASSERT_TRUE(ctrl);
        EXPECT_EQ(ctrl->deviceNo(), c.device[board]);
        const std::string path = "\\\\.\\Ravkern" + std::to_string(c.device[board]);
        EXPECT_EQ(std::string(ctrl->devicePath()), path);
        EXPECT_EQ(lines.at(4),
                  detail(name + " open: OK: <Device=" + path + ", Handle=" + std::to_string(ctrl->openHandle()) + ">"));
    }
    for (int32_t board = 0; board < 4; ++board)
        EXPECT_EQ(RV_close(board), c.result[board] == MKY43_ER_OK ? MKY43_ER_OK : MKY43_ER_NOTOPEN);
}

constexpr int32_t OK = MKY43_ER_OK;
constexpr int32_t kNone = MKY43_ER_OPENDEVICE;

INSTANTIATE_TEST_SUITE_P(
    Hosts, DeviceSearch,
    ::testing::Values(
        SearchCase{"NoHost", {}, {kNone, kNone, kNone, kNone}, {}},
        SearchCase{"SwitchesZeroAndOne", {"--board", "0", "--board", "1"}, {OK, OK, kNone, kNone}, {0, 1}},
        SearchCase{
            "BoardZeroOnDeviceTwo", {"--board", "1", "--board", "2", "--board", "0"}, {OK, OK, OK, kNone}, {2, 0, 1}},
        // Only the low two bits of the switch count.
        SearchCase{"HighSwitchBitsIgnored", {"--board", "7", "--board", "4"}, {OK, kNone, kNone, OK}, {1, 0, 0, 0}},
        // Device 0 exists but does not start, so there is no device 0 to open.
        SearchCase{"DeviceZeroNotStarted", {"--board", "0:1", "--board", "1"}, {kNone, kNone, kNone, kNone}, {}},
        SearchCase{
            "SameSwitchLowerDeviceWins", {"--board", "3", "--board", "3"}, {kNone, kNone, kNone, OK}, {0, 0, 0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

class DeviceQueries : public HostedLibrary {};

TEST_F(DeviceQueries, EveryDevicePassedIsOpenedQueriedAndClosed) {
    start({});
    FakeDevice zero(host_.dir(), 0, 0), one(host_.dir(), 1, 1);
    ASSERT_TRUE(zero.listening() && one.listening());
    EXPECT_EQ(RV_open(2), MKY43_ER_OPENDEVICE);
    const std::vector<std::string> visit{"open", "control 99022018 in 20 out 20", "close"};
    ASSERT_TRUE(zero.awaitEvents(3) && one.awaitEvents(3));
    EXPECT_EQ(zero.events(), visit);
    EXPECT_EQ(one.events(), visit);
    EXPECT_EQ(newLines().at(4), detail("RavlibBrd2 open: NG: <CE=2>"));
}

TEST_F(DeviceQueries, ASwitchThatCannotBeReadEndsTheSearch) {
    start({});
    FakeDevice zero(host_.dir(), 0, 0), one(host_.dir(), 1, 1);
    zero.failSwitchQuery(0xC000000D);
    EXPECT_EQ(RV_open(1), MKY43_ER_OPENDEVICE);
    ASSERT_TRUE(zero.awaitEvents(3));
    EXPECT_EQ(zero.events(), (std::vector<std::string>{"open", "control 99022018 in 20 out 20", "close"}));
    EXPECT_TRUE(one.events().empty());
    EXPECT_EQ(newLines().at(4), detail("RavlibBrd1 open: NG: <CE=87>"));
}

TEST_F(DeviceQueries, ARefusedMapStillOpensTheBoardWithoutAWindow) {
    start({});
    FakeDevice zero(host_.dir(), 0, 0);
    ASSERT_EQ(RV_open(0), MKY43_ER_OK);
    auto ctrl = ravlib::boardTable().find(0);
    ASSERT_TRUE(ctrl);
    EXPECT_EQ(ctrl->gmBase(), nullptr);
    const std::vector<std::string> lines = newLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], detail("RavlibBrd0 mky40map: OK: "));
    EXPECT_EQ(lines.back(), "##    Ravlib(0) RV_open: OK");
    ctrl.reset();
    EXPECT_EQ(RV_close(0), MKY43_ER_OK);
    // Nothing was mapped, so nothing is unmapped.
    ASSERT_TRUE(zero.awaitEvents(4));
    EXPECT_EQ(zero.events(), (std::vector<std::string>{"open", "control 99022018 in 20 out 20",
                                                       "control 9902200c in 16 out 16", "close"}));
}

struct RateCase {
    const char* name;
    const char* ini;  // nullptr: no Ravlib.ini
    int32_t rate[2];
};

class RateCode : public HostedLibrary, public ::testing::WithParamInterface<RateCase> {};

TEST_P(RateCode, ComesFromTheBoardsSectionOrStaysUnset) {
    if (GetParam().ini)
        box_.write("Ravlib.ini", GetParam().ini);
    start({"--board", "0", "--board", "1"});
    for (int32_t board = 0; board < 2; ++board) {
        ASSERT_EQ(RV_open(board), MKY43_ER_OK);
        EXPECT_EQ(ravlib::boardTable().find(board)->rateCode(0), GetParam().rate[board]) << board;
        EXPECT_EQ(ravlib::boardTable().find(board)->rateCode(1), -1) << board;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, RateCode,
    ::testing::Values(RateCase{"Missing", nullptr, {-1, -1}},
                      RateCase{"BoardZeroSix", "[BOARD_0]\r\nBaudrate_0=6\r\n", {6, -1}},
                      RateCase{"EachBoardItsOwn", "[BOARD_1]\r\nBaudrate_0=2\r\n[BOARD_0]\r\nBaudrate_0=0\r\n", {0, 2}},
                      // Only line 0's key is read.
                      RateCase{"OtherLineIgnored", "[BOARD_0]\r\nBaudrate_1=5\r\n", {-1, -1}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace boardtest
