// The board object's device handle and its ten controls against ravkernd.
#include <cstring>
#include <functional>

#include "lib/board/BoardCtrl.h"
#include "tests/support/HostedLibrary.h"

namespace boardtest {
namespace {

using namespace ravkern;
using ravlib::BoardCtrl;

class DriverAccess : public HostedLibrary {
protected:
    void SetUp() override {
        HostedLibrary::SetUp();
        start({"--board", "2"});
    }
    BoardCtrl board_{2};
};

struct ControlCase {
    const char* name;
    std::function<int32_t(BoardCtrl&)> send;
};

ConnectRequest request(const char* text, int32_t size) {
    ConnectRequest r{};
    std::strncpy(r.saText, text, sizeof r.saText);
    r.slen = size;
    return r;
}

const ControlCase kControls[] = {
    {"GetConnectState",
     [](BoardCtrl& b) {
         ConnectState s{};
         return b.ioGetConnectState(&s);
     }},
    {"GetDipSwitch",
     [](BoardCtrl& b) {
         DipSwitchInfo i{};
         return b.ioGetDipSwitch(&i);
     }},
    {"Connect",
     [](BoardCtrl& b) {
         const auto r = request("3", 2);
         return b.ioConnect(&r);
     }},
    {"ConnectLf",
     [](BoardCtrl& b) {
         const auto r = request("3", 2);
         return b.ioConnectLf(&r);
     }},
    {"ConnectGmm",
     [](BoardCtrl& b) {
         const auto r = request("0", 0);
         return b.ioConnectGmm(&r);
     }},
    {"Disconnect", [](BoardCtrl& b) { return b.ioDisconnect(); }},
    {"MapMemory",
     [](BoardCtrl& b) {
         MapRequest m{kMapCommandMap, 0x1000, 0};
         return b.ioMapMemory(&m);
     }},
    {"HardReset", [](BoardCtrl& b) { return b.ioHardReset(); }},
};

TEST_F(DriverAccess, EveryControlSucceedsOnTheOpenDevice) {
    ASSERT_NE(board_.openDevice("\\\\.\\Ravkern0"), ravlib::os::kInvalidDevice);
    for (const ControlCase& c : kControls)
        EXPECT_EQ(c.send(board_), 0) << c.name << " error " << ravlib::os::deviceLastError();
}

TEST_F(DriverAccess, EveryControlAfterCloseFailsWithInvalidHandle) {
    ASSERT_NE(board_.openDevice("\\\\.\\Ravkern0"), ravlib::os::kInvalidDevice);
    board_.closeDevice();
    for (const ControlCase& c : kControls) {
        EXPECT_EQ(c.send(board_), -1) << c.name;
        EXPECT_EQ(ravlib::os::deviceLastError(), ravlib::os::kErrorInvalidHandle) << c.name;
    }
    // A second close has nothing to close and leaves the handle invalid.
    board_.closeDevice();
    EXPECT_EQ(board_.ioDisconnect(), -1);
    EXPECT_EQ(ravlib::os::deviceLastError(), ravlib::os::kErrorInvalidHandle);
}

TEST_F(DriverAccess, AMissingDeviceGivesFileNotFound) {
    EXPECT_EQ(board_.openDevice("\\\\.\\Ravkern1"), ravlib::os::kInvalidDevice);
    EXPECT_EQ(ravlib::os::deviceLastError(), ravlib::os::kErrorFileNotFound);
    EXPECT_EQ(board_.ioHardReset(), -1);
    EXPECT_EQ(ravlib::os::deviceLastError(), ravlib::os::kErrorInvalidHandle);
}

TEST_F(DriverAccess, TheSwitchQueryFillsTheSameBuffer) {
    ASSERT_NE(board_.openDevice("\\\\.\\Ravkern0"), ravlib::os::kInvalidDevice);
    DipSwitchInfo info;
    std::memset(&info, 0x5a, sizeof info);
    ASSERT_EQ(board_.ioGetDipSwitch(&info), 0);
    EXPECT_EQ(std::memcmp(info.tag, "DIPSW\0\0\0", 8), 0);
    EXPECT_EQ(info.value, 2);
}

TEST_F(DriverAccess, ARefusedRequestAnswersMinusOneWithInvalidParameter) {
    ASSERT_NE(board_.openDevice("\\\\.\\Ravkern0"), ravlib::os::kInvalidDevice);
    const ConnectRequest bad = request("x1", 2);
    EXPECT_EQ(board_.ioConnect(&bad), -1);
    EXPECT_EQ(ravlib::os::deviceLastError(), ravlib::os::kErrorInvalidParameter);
    EXPECT_EQ(board_.ioConnectLf(&bad), -1);
    EXPECT_EQ(ravlib::os::deviceLastError(), ravlib::os::kErrorInvalidParameter);
}

TEST_F(DriverAccess, MapReturnsTheViewInTheSameBufferAndUnmapRemovesIt) {
    ASSERT_NE(board_.openDevice("\\\\.\\Ravkern0"), ravlib::os::kInvalidDevice);
    MapRequest map{kMapCommandMap, 0x1000, 0};
    ASSERT_EQ(board_.ioMapMemory(&map), 0);
    ASSERT_NE(map.userAddress, 0u);
    EXPECT_GT(chipViews(host_.dir()), 0);
    auto* view = reinterpret_cast<volatile uint8_t*>(static_cast<uintptr_t>(map.userAddress));
    view[8] = 0xa5;  // GM block of station 1: plain memory
    EXPECT_EQ(view[8], 0xa5);

    // One view per handle: a second map is refused.
    MapRequest again{kMapCommandMap, 0x1000, 0};
    EXPECT_EQ(board_.ioMapMemory(&again), -1);
    EXPECT_EQ(ravlib::os::deviceLastError(), ravlib::os::kErrorInvalidParameter);

    const int before = chipViews(host_.dir());
    map.command = kMapCommandUnmap;
    ASSERT_EQ(board_.ioMapMemory(&map), 0);
    EXPECT_EQ(chipViews(host_.dir()), before - 1);
    // With no view left an unmap has nothing to do.
    EXPECT_EQ(board_.ioMapMemory(&map), 0);
    EXPECT_EQ(chipViews(host_.dir()), before - 1);
}

}  // namespace
}  // namespace boardtest
