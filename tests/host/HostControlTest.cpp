// Controls through the real host: error codes, many clients, slow and
// misbehaving clients.
#include "sim/DeviceWire.h"
#include "tests/support/DeviceClient.h"
#include "tests/support/HostProcess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ravtest {
namespace {

namespace os = ravlib::os;
namespace wire = ravsim::wire;
using ravkern::ConnectState;
using ravkern::DipSwitchInfo;

class HostControl : public ::testing::Test {
protected:
    void SetUp() override {
        host.spawn({"--board", "0", "--board", "1"});
        ASSERT_TRUE(host.waitReady()) << host.standardError();
    }
    void TearDown() override { EXPECT_EQ(0, host.stop(SIGTERM)) << host.standardError(); }

    // The host still serves a fresh client.
    void expectServing() {
        Device device(0);
        DipSwitchInfo info{};
        EXPECT_EQ(0, device.dipSwitch(info)) << os::deviceLastError();
    }

    HostProcess host;
};

TEST_F(HostControl, MissingDeviceGivesFileNotFound) {
    EXPECT_EQ(os::kInvalidDevice, os::openDevice("\\\\.\\Ravkern7"));
    EXPECT_EQ(os::kErrorFileNotFound, os::deviceLastError());
    EXPECT_EQ(os::kInvalidDevice, os::openDevice("Ravkern0"));
    EXPECT_EQ(os::kErrorFileNotFound, os::deviceLastError());
    EXPECT_EQ(os::kInvalidDevice, os::openDevice("\\\\.\\..\\Ravkern0"));
    EXPECT_EQ(os::kErrorInvalidName, os::deviceLastError());
    EXPECT_EQ(os::kInvalidDevice, os::openDevice(nullptr));
}

TEST_F(HostControl, ClosedOrUnknownHandleGivesInvalidHandle) {
    DeviceHandle handle = os::openDevice(devicePath(0).c_str());
    ASSERT_NE(os::kInvalidDevice, handle);
    ASSERT_EQ(0, os::closeDevice(handle));
    ConnectState state{};
    EXPECT_EQ(-1, os::deviceIoControl(handle, ravkern::IOCTL_BOARD_GET_CONNECT_STATE, nullptr, 0, &state, sizeof state,
                                      nullptr));
    EXPECT_EQ(os::kErrorInvalidHandle, os::deviceLastError());
    EXPECT_EQ(-1, os::closeDevice(handle));
    EXPECT_EQ(os::kErrorInvalidHandle, os::deviceLastError());
    EXPECT_EQ(
        -1, os::deviceIoControl(os::kInvalidDevice, ravkern::IOCTL_BOARD_DISCONNECT, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(os::kErrorInvalidHandle, os::deviceLastError());
}

TEST_F(HostControl, RefusedControlsGiveInvalidParameter) {
    Device device(0);
    ASSERT_TRUE(device.valid());
    EXPECT_EQ(-1, device.connect(ravkern::IOCTL_BOARD_CONNECT, "x", 1));
    EXPECT_EQ(os::kErrorInvalidParameter, os::deviceLastError());
    EXPECT_EQ(-1, device.control(ravkern::boardControl(0x80B), nullptr, 0, nullptr, 0));
    EXPECT_EQ(os::kErrorInvalidParameter, os::deviceLastError());
    DipSwitchInfo big[2] = {};
    EXPECT_EQ(-1, device.control(ravkern::IOCTL_BOARD_GET_DIPSW, nullptr, 0, big, 24));
    EXPECT_EQ(os::kErrorInvalidParameter, os::deviceLastError());
    std::uint32_t bytes = 99;
    EXPECT_EQ(0, device.control(ravkern::IOCTL_BOARD_RESERVED_807, big, 7, nullptr, 0, &bytes));
    EXPECT_EQ(0u, bytes);
}

TEST_F(HostControl, BuffersBeyond64KiBAreRefusedBeforeSending) {
    Device device(0);
    std::vector<std::uint8_t> big(wire::kMaxBuffer + 1);
    EXPECT_EQ(-1, device.control(ravkern::IOCTL_BOARD_RESERVED_804, big.data(), big.size(), nullptr, 0));
    EXPECT_EQ(os::kErrorInvalidParameter, os::deviceLastError());
    EXPECT_EQ(0, device.control(ravkern::IOCTL_BOARD_RESERVED_804, big.data(), wire::kMaxBuffer, big.data(),
                                wire::kMaxBuffer))
        << "the largest allowed control goes through";
}

TEST_F(HostControl, LastErrorIsPerThread) {
    Device device(0);
    ASSERT_EQ(-1, device.connect(ravkern::IOCTL_BOARD_CONNECT, "-1", 1));
    ASSERT_EQ(os::kErrorInvalidParameter, os::deviceLastError());
    std::uint32_t seen = 12345;
    std::thread other([&] {
        os::openDevice("\\\\.\\Ravkern9");
        seen = os::deviceLastError();
    });
    other.join();
    EXPECT_EQ(os::kErrorFileNotFound, seen);
    EXPECT_EQ(os::kErrorInvalidParameter, os::deviceLastError());
}

TEST(HostGone, ControlsGiveDeviceNotConnected) {
    HostProcess host;
    host.spawn({"--board", "0", "--board", "1"});
    ASSERT_TRUE(host.waitReady()) << host.standardError();
    Device device(1);
    ASSERT_TRUE(device.valid());
    ASSERT_EQ(128 + SIGKILL, host.stop(SIGKILL));
    ConnectState state{};
    EXPECT_EQ(-1, device.state(state));
    EXPECT_EQ(os::kErrorDeviceNotConnected, os::deviceLastError());
    EXPECT_EQ(-1, device.state(state));
    EXPECT_EQ(os::kErrorDeviceNotConnected, os::deviceLastError());
    EXPECT_EQ(os::kInvalidDevice, os::openDevice(devicePath(1).c_str())) << "a stale socket is no device";
    EXPECT_EQ(os::kErrorFileNotFound, os::deviceLastError());

    // A new host takes over the dead one's directory, sockets and board files.
    host.spawn({"--board", "4", "--board", "5"});
    ASSERT_TRUE(host.waitReady()) << host.standardError();
    DipSwitchInfo info{};
    ASSERT_EQ(0, Device(1).dipSwitch(info)) << os::deviceLastError();
    EXPECT_EQ(5, info.value);
    EXPECT_EQ(-1, device.state(state)) << "the old handle stays broken";
    EXPECT_EQ(0, host.stop(SIGTERM));
}

TEST_F(HostControl, ManyClientsAtOnce) {
    constexpr int kThreads = 16;
    constexpr int kRounds = 200;
    std::atomic<int> failures{0};
    Device shared(1);
    ASSERT_TRUE(shared.valid());
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            Device own(t % 2);
            for (int i = 0; i < kRounds; ++i) {
                const Device& device = (i % 4 == 0) ? shared : own;
                DipSwitchInfo info{};
                ConnectState state{};
                if (device.dipSwitch(info) != 0 || info.value != (&device == &shared ? 1 : t % 2) ||
                    device.state(state) != 0)
                    ++failures;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(0, failures.load());
}

std::size_t threadsOf(pid_t pid) {
    std::filesystem::directory_iterator tasks("/proc/" + std::to_string(pid) + "/task");
    return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

TEST_F(HostControl, HundredsOfConnectionsOfOneProcessLockNobodyOut) {
    constexpr int kHeld = 600;
    int ready[2];
    ASSERT_EQ(0, pipe(ready));
    pid_t holder = fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        std::vector<std::unique_ptr<Device>> held;
        int served = 0;
        for (int i = 0; i < kHeld; ++i) {
            held.push_back(std::make_unique<Device>(i % 2));
            DipSwitchInfo info{};
            served += held.back()->dipSwitch(info) == 0 ? 1 : 0;
        }
        if (write(ready[1], &served, sizeof served) != sizeof served)
            _exit(1);
        pause();
        _exit(0);
    }
    int served = 0;
    ASSERT_EQ(static_cast<ssize_t>(sizeof served), read(ready[0], &served, sizeof served));
    EXPECT_EQ(kHeld, served);
    expectServing();
    EXPECT_LT(threadsOf(host.pid()), 32u) << "an idle connection holds no thread";
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    expectServing();
}

TEST_F(HostControl, SlowClientDoesNotStallAnother) {
    // The slow client asks for a map and then does not answer the host.
    RawClient slow(host.dir() + "/Ravkern0");
    ASSERT_TRUE(slow.connected());
    struct {
        wire::ControlFrame head;
        ravkern::MapRequest request;
    } frame{{wire::kControl, ravkern::IOCTL_BOARD_MAP_MEMORY, 16, 16}, {0, 0x1000, 0}};
    ASSERT_TRUE(slow.send(&frame, sizeof frame));
    std::vector<std::uint8_t> message;
    // More stuck the same way on the other board: more controls waiting at
    // once than the machine has processors.
    std::vector<std::unique_ptr<RawClient>> stuck;
    for (int i = 0; i < 8; ++i) {
        stuck.push_back(std::make_unique<RawClient>(host.dir() + "/Ravkern1"));
        ASSERT_TRUE(stuck.back()->send(&frame, sizeof frame));
        ASSERT_GT(stuck.back()->receive(message), 0);
    }
    int fd = -1;
    ASSERT_EQ(static_cast<long>(sizeof(wire::MapViewFrame)), slow.receive(message, 10000, &fd));
    ASSERT_GE(fd, 0);

    // Meanwhile another client of the same device is served.
    Device other(0);
    for (int i = 0; i < 100; ++i) {
        ConnectState state{};
        ASSERT_EQ(0, other.state(state));
    }

    // The slow client is still being waited for: its late answer completes.
    wire::ViewMappedFrame answer{wire::kViewMapped, 0, 0x10000};
    ASSERT_TRUE(slow.send(&answer, sizeof answer));
    ASSERT_EQ(static_cast<long>(sizeof(wire::CompletionFrame) + 16), slow.receive(message));
    wire::CompletionFrame done;
    std::memcpy(&done, message.data(), sizeof done);
    EXPECT_EQ(0u, done.status);
    close(fd);
}

struct BadFrame {
    const char* name;
    std::vector<std::uint8_t> bytes;
    bool withDescriptor = false;
};

std::vector<std::uint8_t> frameBytes(std::uint32_t kind, std::uint32_t code, std::uint32_t in, std::uint32_t out,
                                     std::size_t bodyLength) {
    wire::ControlFrame head{kind, code, in, out};
    std::vector<std::uint8_t> bytes(sizeof head + bodyLength, 0);
    std::memcpy(bytes.data(), &head, sizeof head);
    return bytes;
}

class MalformedFrame : public HostControl, public ::testing::WithParamInterface<BadFrame> {};

TEST_P(MalformedFrame, DropsThatClientOnly) {
    Device bystander(0);
    ASSERT_TRUE(bystander.valid());
    RawClient bad(host.dir() + "/Ravkern0");
    ASSERT_TRUE(bad.connected());
    int fd = GetParam().withDescriptor ? open("/dev/null", O_RDONLY | O_CLOEXEC) : -1;
    ASSERT_TRUE(bad.send(GetParam().bytes.data(), GetParam().bytes.size(), fd));
    if (fd >= 0)
        close(fd);
    std::vector<std::uint8_t> message;
    EXPECT_EQ(0, bad.receive(message)) << "the host closes the connection";
    ConnectState state{};
    EXPECT_EQ(0, bystander.state(state)) << os::deviceLastError();
    expectServing();
}

INSTANTIATE_TEST_SUITE_P(
    Table, MalformedFrame,
    ::testing::Values(
        BadFrame{"ShortHeader", std::vector<std::uint8_t>(8, 0)},
        BadFrame{"WrongKind", frameBytes(wire::kCompletion, ravkern::IOCTL_BOARD_GET_DIPSW, 0, 20, 0)},
        BadFrame{"InputLongerThanSent", frameBytes(wire::kControl, ravkern::IOCTL_BOARD_CONNECT, 12, 0, 4)},
        BadFrame{"InputShorterThanSent", frameBytes(wire::kControl, ravkern::IOCTL_BOARD_CONNECT, 4, 0, 12)},
        BadFrame{"InputBeyondLimit", frameBytes(wire::kControl, ravkern::IOCTL_BOARD_CONNECT, 0x7FFFFFFF, 0, 0)},
        BadFrame{"OutputBeyondLimit", frameBytes(wire::kControl, ravkern::IOCTL_BOARD_GET_DIPSW, 0, 0x10001, 0)},
        BadFrame{"OversizeMessage", frameBytes(wire::kControl, ravkern::IOCTL_BOARD_RESERVED_804, 0x10000, 0, 0x10100)},
        BadFrame{"UnaskedMapAnswer", frameBytes(wire::kViewMapped, 0, 0, 0, 0)},
        BadFrame{"DescriptorAttached", frameBytes(wire::kControl, ravkern::IOCTL_BOARD_RESERVED_804, 0, 0, 0), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostControl, RandomFramesNeverStopTheHost) {
    std::mt19937 random(20261209);
    const std::uint32_t codes[] = {ravkern::IOCTL_BOARD_GET_DIPSW,
                                   ravkern::IOCTL_BOARD_CONNECT,
                                   ravkern::IOCTL_BOARD_MAP_MEMORY,
                                   ravkern::IOCTL_BOARD_HARD_RESET,
                                   ravkern::IOCTL_BOARD_DISCONNECT,
                                   0x99022030,
                                   0};
    const std::uint32_t kinds[] = {wire::kControl, wire::kControl, wire::kViewMapped, wire::kCompletion, 0x12345678};
    std::vector<std::uint8_t> message;
    for (int round = 0; round < 40; ++round) {
        RawClient client(host.dir() + "/Ravkern" + std::to_string(round % 2));
        ASSERT_TRUE(client.connected());
        for (int i = 0; i < 10; ++i) {
            std::uint32_t body = random() % 64;
            std::uint32_t claimed = random() % 4 == 0 ? static_cast<std::uint32_t>(random()) : body;
            wire::ControlFrame head{kinds[random() % 5], codes[random() % 7], claimed,
                                    static_cast<std::uint32_t>(random() % 40)};
            std::vector<std::uint8_t> frame(sizeof head + body);
            std::memcpy(frame.data(), &head, sizeof head);
            for (std::size_t b = sizeof head; b < frame.size(); ++b)
                frame[b] = static_cast<std::uint8_t>(random());
            if (!client.send(frame.data(), frame.size()))
                break;
            long got = client.receive(message, 10000);
            if (got <= 0)
                break;  // dropped, as it should be for garbage
            std::uint32_t kind;
            std::memcpy(&kind, message.data(), sizeof kind);
            if (kind == wire::kMapView) {
                wire::ViewMappedFrame refuse{wire::kViewMapped, EINVAL, 0};
                client.send(&refuse, sizeof refuse);
                client.receive(message, 10000);
            }
        }
    }
    expectServing();
    Device device(1);
    ravkern::MapRequest request{};
    EXPECT_EQ(0, device.map(request)) << os::deviceLastError();
    EXPECT_EQ(0, device.unmap(request.userAddress));
}

TEST_F(HostControl, ClientVanishingMidRequestIsDropped) {
    for (int round = 0; round < 20; ++round) {
        RawClient gone(host.dir() + "/Ravkern1");
        ASSERT_TRUE(gone.connected());
        auto frame = frameBytes(wire::kControl, ravkern::IOCTL_BOARD_HARD_RESET, 0, 0, 0);
        ASSERT_TRUE(gone.send(frame.data(), frame.size()));
        gone.close();
    }
    // One that vanishes while the host waits for its map answer.
    RawClient mapping(host.dir() + "/Ravkern0");
    struct {
        wire::ControlFrame head;
        ravkern::MapRequest request;
    } frame{{wire::kControl, ravkern::IOCTL_BOARD_MAP_MEMORY, 16, 16}, {0, 0x1000, 0}};
    ASSERT_TRUE(mapping.send(&frame, sizeof frame));
    std::vector<std::uint8_t> message;
    ASSERT_GT(mapping.receive(message), 0);
    mapping.close();
    expectServing();
    Device device(0);
    ravkern::MapRequest request{};
    EXPECT_EQ(0, device.map(request)) << "no view of the vanished client is left on the device";
    EXPECT_EQ(0, device.unmap(request.userAddress));
}

}  // namespace
}  // namespace ravtest
