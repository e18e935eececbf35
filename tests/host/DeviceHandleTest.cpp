// The library's device handle against a scripted host that misbehaves: the
// handle must not trust what comes back.
#include "lib/os/DeviceHandle.h"
#include "driver/RavkernIoctl.h"
#include "sim/BoardFiles.h"
#include "sim/DeviceWire.h"
#include "sim/WireSocket.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace ravlib::os {
namespace {

namespace wire = ravsim::wire;

// Serves one connection on <dir>/Fake0 with a script.
class ScriptedHost : public ::testing::Test {
protected:
    void SetUp() override {
        listener = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s/Fake0", box.runtime().c_str());
        ASSERT_EQ(0, bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address));
        ASSERT_EQ(0, listen(listener, 1));
    }
    void TearDown() override {
        if (server.joinable())
            server.join();
        close(listener);
    }

    void serve(std::function<void(int)> script) {
        server = std::thread([this, script] {
            int fd = accept(listener, nullptr, nullptr);
            script(fd);
            close(fd);
        });
    }

    static void awaitControl(int fd) {
        std::uint8_t buffer[wire::kMaxBuffer + 64];
        wire::receiveFrame(fd, buffer, sizeof buffer, 10000);
    }

    static void complete(int fd, std::uint32_t status, std::uint32_t information, const void* out = nullptr,
                         std::uint32_t outLength = 0) {
        wire::CompletionFrame reply{wire::kCompletion, status, information, outLength};
        wire::sendFrame(fd, &reply, sizeof reply, out, outLength);
    }

    ravtest::Sandbox box;
    int listener = -1;
    std::thread server;
};

TEST_F(ScriptedHost, MoreOutputThanAskedForBreaksTheHandle) {
    serve([](int fd) {
        awaitControl(fd);
        char out[32] = {};
        complete(fd, 0, 32, out, 32);
    });
    DeviceHandle handle = openDevice("\\\\.\\Fake0");
    ASSERT_NE(kInvalidDevice, handle);
    ravkern::ConnectState state{};
    EXPECT_EQ(
        -1, deviceIoControl(handle, ravkern::IOCTL_BOARD_GET_CONNECT_STATE, nullptr, 0, &state, sizeof state, nullptr));
    EXPECT_EQ(kErrorDeviceNotConnected, deviceLastError());
    EXPECT_EQ(
        -1, deviceIoControl(handle, ravkern::IOCTL_BOARD_GET_CONNECT_STATE, nullptr, 0, &state, sizeof state, nullptr));
    EXPECT_EQ(kErrorDeviceNotConnected, deviceLastError());
    EXPECT_EQ(0, closeDevice(handle));
}

TEST_F(ScriptedHost, MapOfADescriptorThatIsNoChipWindowIsAnsweredWithAnError) {
    std::int32_t clientError = 0;
    serve([&](int fd) {
        awaitControl(fd);
        int bogus = open("/dev/null", O_RDONLY | O_CLOEXEC);
        wire::MapViewFrame ask{wire::kMapView, 0x1000};
        wire::sendFrame(fd, &ask, sizeof ask, nullptr, 0, bogus);
        close(bogus);
        wire::ViewMappedFrame answer{};
        wire::receiveFrame(fd, &answer, sizeof answer, 10000);
        clientError = answer.error;
        complete(fd, 0xC000009A, 0);
    });
    DeviceHandle handle = openDevice("\\\\.\\Fake0");
    ravkern::MapRequest request{0, 0x1000, 0};
    EXPECT_EQ(-1, deviceIoControl(handle, ravkern::IOCTL_BOARD_MAP_MEMORY, &request, sizeof request, &request,
                                  sizeof request, nullptr));
    EXPECT_EQ(kErrorNoSystemResources, deviceLastError());
    server.join();
    EXPECT_NE(0, clientError);
    closeDevice(handle);
}

TEST_F(ScriptedHost, ViewOfAControlThatFailsAfterAllIsRemoved) {
    std::string error;
    auto board = ravsim::BoardFiles::create(box.runtime(), 0, 0, 2, error);
    ASSERT_TRUE(board) << error;
    std::uint64_t mapped = 0;
    serve([&](int fd) {
        awaitControl(fd);
        wire::MapViewFrame ask{wire::kMapView, 0x1000};
        wire::sendFrame(fd, &ask, sizeof ask, nullptr, 0, board->regionAFd());
        wire::ViewMappedFrame answer{};
        wire::receiveFrame(fd, &answer, sizeof answer, 10000);
        mapped = answer.error == 0 ? answer.address : 0;
        complete(fd, 0xC000000D, 0);
    });
    DeviceHandle handle = openDevice("\\\\.\\Fake0");
    ravkern::MapRequest request{0, 0x1000, 0};
    EXPECT_EQ(-1, deviceIoControl(handle, ravkern::IOCTL_BOARD_MAP_MEMORY, &request, sizeof request, &request,
                                  sizeof request, nullptr));
    EXPECT_EQ(kErrorInvalidParameter, deviceLastError());
    server.join();
    ASSERT_NE(0u, mapped);
    void* probe = mmap(reinterpret_cast<void*>(mapped), 0x1000, PROT_READ,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
    EXPECT_EQ(reinterpret_cast<void*>(mapped), probe) << "the view is gone";
    if (probe != MAP_FAILED)
        munmap(probe, 0x1000);
    closeDevice(handle);
}

TEST_F(ScriptedHost, UnmapOfAnAddressThatIsNoViewOfTheHandleIsRefused) {
    std::int32_t clientError = 0;
    int local = 42;
    serve([&](int fd) {
        awaitControl(fd);
        wire::UnmapViewFrame ask{wire::kUnmapView, 0x1000, reinterpret_cast<std::uintptr_t>(&local)};
        wire::sendFrame(fd, &ask, sizeof ask);
        wire::ViewUnmappedFrame answer{};
        wire::receiveFrame(fd, &answer, sizeof answer, 10000);
        clientError = answer.error;
        complete(fd, 0, 0);
    });
    DeviceHandle handle = openDevice("\\\\.\\Fake0");
    ravkern::MapRequest request{-1, 0x1000, reinterpret_cast<std::uintptr_t>(&local)};
    EXPECT_EQ(0, deviceIoControl(handle, ravkern::IOCTL_BOARD_MAP_MEMORY, &request, sizeof request, &request,
                                 sizeof request, nullptr));
    server.join();
    EXPECT_EQ(EINVAL, clientError);
    EXPECT_EQ(42, local) << "nothing of ours was unmapped";
    closeDevice(handle);
}

TEST(DeviceErrors, StatusesBecomeWindowsErrorCodes) {
    struct {
        std::uint32_t status;
        std::uint32_t error;
    } table[] = {{0xC000000D, 87}, {0xC0000023, 122}, {0xC000009A, 1450}, {0xC0000001, 31},
                 {0xC0000010, 1},  {0xC00000A3, 21},  {0x80000005, 234},  {0xC0001234, 317}};
    for (const auto& row : table)
        EXPECT_EQ(row.error, errorFromStatus(row.status)) << std::hex << row.status;
}

}  // namespace
}  // namespace ravlib::os
