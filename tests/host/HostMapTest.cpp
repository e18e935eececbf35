// The chip window mapped into client processes through the host.
#include "chip/Mky43.h"
#include "sim/ChipMap.h"
#include "sim/RegisterAccess.h"
#include "tests/support/DeviceClient.h"
#include "tests/support/HostProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ravtest {
namespace {

namespace os = ravlib::os;
using ravkern::MapRequest;

class HostMap : public ::testing::Test {
protected:
    void SetUp() override {
        host.spawn({"--board", "0"});
        ASSERT_TRUE(host.waitReady()) << host.standardError();
    }
    void TearDown() override { EXPECT_EQ(0, host.stop(SIGTERM)) << host.standardError(); }

    HostProcess host;
};

TEST_F(HostMap, ViewShowsTheChipAndIsSharedBetweenClients) {
    Device first(0), second(0);
    MapRequest a{}, b{};
    ASSERT_EQ(0, first.map(a)) << os::deviceLastError();
    ASSERT_EQ(0, second.map(b)) << os::deviceLastError();
    ASSERT_NE(0u, a.userAddress);
    ASSERT_NE(a.userAddress, b.userAddress) << "one view per handle";
    EXPECT_EQ(0, a.command);
    EXPECT_EQ(0x1000u, a.length);
    auto* viewA = reinterpret_cast<std::uint8_t*>(a.userAddress);
    auto* viewB = reinterpret_cast<std::uint8_t*>(b.userAddress);
    EXPECT_EQ(0, std::memcmp(viewA + mky43::CCR, "MKY43\0\0\0", 8));

    // A GM write through the hazard registers of one view is in the other.
    for (unsigned w = 0; w < 4; ++w)
        ravsim::write16(viewA, mky43::WHPB0 + 2 * w, static_cast<std::uint16_t>(0xA000 + w));
    ravsim::write16(viewA, mky43::WHCR0, 9);
    EXPECT_EQ(0xA003, ravsim::read16(viewB, 9 * 8 + 6));
    ravsim::write16(viewB, mky43::RHCR1, 9);
    EXPECT_EQ(0xA000, ravsim::read16(viewB, mky43::RHPB1));

    EXPECT_EQ(0, first.unmap(a.userAddress));
    EXPECT_EQ(0, second.unmap(b.userAddress));
}

TEST_F(HostMap, RefusalsLeaveTheViewAsItWas) {
    Device device(0);
    MapRequest request{};
    for (std::uint32_t length : {0u, 0x1001u, 0xFFFFFFFFu}) {
        EXPECT_EQ(-1, device.map(request, length)) << length;
        EXPECT_EQ(os::kErrorInvalidParameter, os::deviceLastError()) << length;
    }
    ASSERT_EQ(0, device.map(request, 0x200));
    std::uint64_t address = request.userAddress;
    MapRequest again{};
    EXPECT_EQ(-1, device.map(again));
    EXPECT_EQ(os::kErrorInvalidParameter, os::deviceLastError());
    EXPECT_EQ(-1, device.unmap(address + 8));
    EXPECT_EQ(os::kErrorInvalidParameter, os::deviceLastError());
    EXPECT_EQ(-1, device.unmap(0));
    EXPECT_EQ(os::kErrorInvalidParameter, os::deviceLastError());
    // The view is still there and usable.
    EXPECT_EQ(0x4B4D, ravsim::read16(reinterpret_cast<void*>(address), mky43::CCR));
    EXPECT_EQ(0, device.unmap(address));
    EXPECT_EQ(0, device.map(again)) << "a new view after the unmap";
    EXPECT_EQ(0, device.unmap(again.userAddress));
}

TEST_F(HostMap, UnmapOnAHandleWithoutAViewChangesNothing) {
    Device owner(0), stranger(0);
    MapRequest request{};
    ASSERT_EQ(0, owner.map(request));
    // The stranger has no view: its unmap succeeds and touches nobody's.
    EXPECT_EQ(0, stranger.unmap(request.userAddress)) << os::deviceLastError();
    EXPECT_EQ(0x4B4D, ravsim::read16(reinterpret_cast<void*>(request.userAddress), mky43::CCR));
    MapRequest again{};
    EXPECT_EQ(-1, owner.map(again)) << "the owner's view is still recorded";
    EXPECT_EQ(0, owner.unmap(request.userAddress));
}

TEST_F(HostMap, ChildKilledWhileHoldingAViewLeavesTheHostServing) {
    int ready[2];
    ASSERT_EQ(0, pipe(ready));
    pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        DeviceHandle handle = os::openDevice(devicePath(0).c_str());
        MapRequest request{ravkern::kMapCommandMap, 0x1000, 0};
        char result = os::deviceIoControl(handle, ravkern::IOCTL_BOARD_MAP_MEMORY, &request, sizeof request, &request,
                                          sizeof request, nullptr) == 0
                          ? 'y'
                          : 'n';
        if (write(ready[1], &result, 1) != 1)
            _exit(1);
        // Holds the view, and the board lock, until killed.
        auto* state = reinterpret_cast<ravsim::SharedState*>(request.userAddress + ravsim::kStateOffset);
        pthread_mutex_lock(&state->lock);
        for (;;)
            pause();
    }
    close(ready[1]);
    char result = 0;
    ASSERT_EQ(1, read(ready[0], &result, 1));
    close(ready[0]);
    EXPECT_EQ('y', result);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);

    Device device(0);
    MapRequest request{};
    ASSERT_EQ(0, device.map(request)) << os::deviceLastError();
    auto* view = reinterpret_cast<std::uint8_t*>(request.userAddress);
    ravsim::write16(view, mky43::WHPB0, 0x5A5A);
    ravsim::write16(view, mky43::WHCR0, 2);  // takes over the dead child's lock
    EXPECT_EQ(0x5A5A, ravsim::read16(view, 2 * 8));
    ASSERT_EQ(0, device.connect(ravkern::IOCTL_BOARD_CONNECT, "1", 1));
    ravkern::ConnectState state{};
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (device.state(state) == 0 && state.status != 1004 && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(1004, state.status) << "the bus cycle runs after the take-over";
    EXPECT_EQ(0, device.unmap(request.userAddress));
}

TEST_F(HostMap, ClosingAHandleRemovesItsView) {
    std::uint64_t address = 0;
    {
        Device device(0);
        MapRequest request{};
        ASSERT_EQ(0, device.map(request));
        address = request.userAddress;
    }
    // The address range is free again in this process.
    void* probe = mmap(reinterpret_cast<void*>(address), 0x1000, PROT_READ,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    EXPECT_EQ(reinterpret_cast<void*>(address), probe);
    if (probe != MAP_FAILED)
        munmap(probe, 0x1000);
}

TEST(HostRelease, DuringARunningSequenceAtManyPoints) {
    // Stop while the sequence ticks, at different points of it: the host must
    // release without a tick touching unmapped memory (which would crash it)
    // and exit cleanly.
    for (int delayMs : {0, 3, 12, 25, 45, 90}) {
        HostProcess host;
        host.spawn({"--board", "0", "--board", "1"});
        ASSERT_TRUE(host.waitReady()) << host.standardError();
        Device device(0), other(1);
        MapRequest request{};
        ASSERT_EQ(0, device.map(request));
        ASSERT_EQ(0, device.connect(ravkern::IOCTL_BOARD_CONNECT, "3", 2));
        ASSERT_EQ(0, other.connect(ravkern::IOCTL_BOARD_CONNECT_LF, "9", 1));
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
        EXPECT_EQ(0, host.stop(SIGTERM)) << delayMs << " ms\n" << host.standardError();
        EXPECT_FALSE(host.exists("Ravkern0"));
        EXPECT_FALSE(host.exists("Ravkern1"));
        // The client's own view outlives the host.
        EXPECT_EQ(0x4B4D, ravsim::read16(reinterpret_cast<void*>(request.userAddress), mky43::CCR));
    }
}

}  // namespace
}  // namespace ravtest
