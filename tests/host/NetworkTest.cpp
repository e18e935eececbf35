// The simulated network end to end: a real ravkernd with two boards and two
// remote stations, the boards started through the driver's controls and
// driven through their mapped chip windows, faults through `ravkernd`'s
// control commands.
#include "chip/Mky43.h"
#include "sim/ChipMap.h"
#include "sim/RegisterAccess.h"
#include "sim/SharedState.h"
#include "tests/support/DeviceClient.h"
#include "tests/support/HostProcess.h"
#include "tests/support/Sandbox.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ravtest {
namespace {

using namespace std::chrono_literals;
using ravsim::read16;
using ravsim::write16;

// Polls `done` for up to ten seconds: generous, the bus needs milliseconds.
bool eventually(const std::function<bool()>& done) {
    auto deadline = std::chrono::steady_clock::now() + 10s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

std::uint64_t read64(const std::uint8_t* view, std::size_t offset) {
    std::uint64_t value = 0;
    for (unsigned w = 0; w < 4; ++w)
        value |= std::uint64_t{read16(view, offset + 2 * w)} << (16 * w);
    return value;
}

struct CommandResult {
    int status;
    std::string output;
};

CommandResult ravkernd(const std::string& arguments) {
    std::string command = std::string(RAVKERND_PATH) + " " + arguments + " 2>&1";
    CommandResult result{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        result.output += buffer;
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

constexpr std::uint64_t kDemoMembers = (1ULL << 1) | (1ULL << 2) | (3ULL << 10) | (1ULL << 20);

class Network : public ::testing::Test {
protected:
    void SetUp() override {
        host.spawn({"--board", "0", "--board", "1", "--station", "10:2:counter", "--station", "20:1:echo"});
        ASSERT_TRUE(host.waitReady()) << host.standardError();
        board0 = std::make_unique<Device>(0);
        board1 = std::make_unique<Device>(1);
        ASSERT_TRUE(board0->valid() && board1->valid());
        ASSERT_EQ(0, board0->map(map0));
        ASSERT_EQ(0, board1->map(map1));
        view0 = reinterpret_cast<std::uint8_t*>(map0.userAddress);
        view1 = reinterpret_cast<std::uint8_t*>(map1.userAddress);
        ASSERT_EQ(0, board0->connect(ravkern::IOCTL_BOARD_CONNECT, "1", 1));
        ASSERT_EQ(0, board1->connect(ravkern::IOCTL_BOARD_CONNECT, "2", 1));
        ASSERT_TRUE(eventually([&] { return read64(view0, mky43::MFR) == kDemoMembers; }))
            << std::hex << read64(view0, mky43::MFR);
    }
    void TearDown() override {
        if (view0)
            board0->unmap(map0.userAddress);
        if (view1)
            board1->unmap(map1.userAddress);
        board0.reset();
        board1.reset();
        EXPECT_EQ(0, host.stop(SIGTERM)) << host.standardError();
    }
    std::string dirOption() const { return "--runtime-dir " + host.dir(); }

    HostProcess host;
    std::unique_ptr<Device> board0, board1;
    ravkern::MapRequest map0{}, map1{};
    std::uint8_t* view0 = nullptr;
    std::uint8_t* view1 = nullptr;
};

TEST_F(Network, DemoNetworkSharesGmAndReturnsMailFromTheEcho) {
    EXPECT_TRUE(eventually([&] { return read64(view1, mky43::MFR) == kDemoMembers; }));
    for (std::size_t r : {mky43::RFR, mky43::LFR})
        EXPECT_EQ(kDemoMembers, read64(view0, r));

    // Each board's block through the write hazard, seen by the other.
    for (unsigned w = 0; w < 4; ++w) {
        write16(view0, mky43::WHPB0 + 2 * w, static_cast<std::uint16_t>(0x1100 + w));
        write16(view1, mky43::WHPB0 + 2 * w, static_cast<std::uint16_t>(0x2200 + w));
    }
    write16(view0, mky43::WHCR0, 1);
    write16(view1, mky43::WHCR0, 2);
    EXPECT_TRUE(eventually([&] { return read16(view1, 8 * 1 + 6) == 0x1103; }));
    EXPECT_TRUE(eventually([&] { return read16(view0, 8 * 2 + 6) == 0x2203; }));

    std::uint16_t counter = read16(view0, 8 * 10);
    EXPECT_TRUE(eventually([&] { return read16(view0, 8 * 10) != counter; })) << "the counter station is live";

    write16(view0, mky43::MR0CR, 0x0040);
    write16(view0, mky43::MR1CR, 0x0040);
    write16(view0, mky43::MESR, 0);
    const std::uint16_t words[] = {0x4D61, 0x696C, 0x2021, 0x0102, 0x0A0B};
    for (unsigned i = 0; i < 5; ++i)
        write16(view0, mky43::kMailSendBuffer + 2 * i, words[i]);
    auto sent = std::chrono::steady_clock::now();
    write16(view0, mky43::MSCR, 20 * 256 + 2 + 0x4000);
    std::this_thread::sleep_for(10ms);
    bool sending = read16(view0, mky43::MSCR) & 0x4000;
    // Only a look within the shortest send time can demand the bit.
    if (std::chrono::steady_clock::now() - sent < 15ms) {
        EXPECT_TRUE(sending) << "a 10 ms poll still sees the send";
    }
    ASSERT_TRUE(eventually([&] { return (read16(view0, mky43::MR0CR) & 0x80) != 0; }));
    EXPECT_EQ(0x1482, read16(view0, mky43::MR0CR)) << "2 units from station 20 in buffer 0";
    for (unsigned i = 0; i < 5; ++i)
        EXPECT_EQ(words[i], read16(view0, mky43::kMailReceiveBuffer0 + 2 * i)) << i;
    EXPECT_EQ(0, read16(view0, mky43::MESR));
    EXPECT_EQ(0, read16(view0, mky43::MSCR) & 0x4000);
}

TEST_F(Network, StationTakenOffAndBroughtBackByTheControlCommand) {
    CommandResult status = ravkernd("status " + dirOption());
    EXPECT_EQ(0, status.status) << status.output;
    EXPECT_NE(std::string::npos, status.output.find("members: 1 2 10 11 20\n")) << status.output;
    EXPECT_NE(std::string::npos, status.output.find("board 1: station 2 size 1 running")) << status.output;

    CommandResult off = ravkernd("station-off 10 " + dirOption());
    EXPECT_EQ(0, off.status) << off.output;
    EXPECT_TRUE(eventually([&] { return read64(view0, mky43::MFR) == (kDemoMembers & ~(3ULL << 10)); }));
    EXPECT_TRUE(eventually([&] { return read64(view1, mky43::MFR) == (kDemoMembers & ~(3ULL << 10)); }));
    EXPECT_NE(std::string::npos, ravkernd("status " + dirOption()).output.find("counter: off the bus"));

    CommandResult on = ravkernd("station-on 10 " + dirOption());
    EXPECT_EQ(0, on.status) << on.output;
    EXPECT_TRUE(eventually([&] { return read64(view0, mky43::MFR) == kDemoMembers; }));
    EXPECT_TRUE(eventually([&] { return read64(view1, mky43::MFR) == kDemoMembers; }));
}

TEST_F(Network, BoardStartedForGmMonitoringSeesTheBusAndOwnsNoStation) {
    ASSERT_EQ(0, board0->connect(ravkern::IOCTL_BOARD_CONNECT_GMM, "0", 0));
    const std::uint64_t others = kDemoMembers & ~(1ULL << 1);
    EXPECT_TRUE(eventually([&] { return read64(view1, mky43::MFR) == others; })) << "board 0 is no member";
    EXPECT_TRUE(eventually([&] { return read64(view0, mky43::MFR) == others; }))
        << std::hex << read64(view0, mky43::MFR);
    EXPECT_EQ(0, read16(view0, mky43::SCR) & mky43::kScrRunning);
    std::uint16_t counter = read16(view0, 8 * 10);
    EXPECT_TRUE(eventually([&] { return read16(view0, 8 * 10) != counter; })) << "the counter's blocks come in";
    CommandResult status = ravkernd("status " + dirOption());
    EXPECT_NE(std::string::npos, status.output.find("board 0: monitoring GM, no station\n")) << status.output;
}

// Board 0 mails the echo (landing both ways), the counter (refused) and an
// empty address; the echo goes off and on; board 1 is halted behind its
// driver's back, so the supervision starts it again.
TEST_F(Network, StatusCountsMailMembershipAndRestartsAlsoAsJson) {
    write16(view0, mky43::MR0CR, mky43::kMrcrArmed);
    for (unsigned destination : {20u, 10u, 33u}) {
        write16(view0, mky43::MSCR, static_cast<std::uint16_t>(destination << 8 | mky43::kMscrSending | 1));
        ASSERT_TRUE(eventually([&] { return !(read16(view0, mky43::MSCR) & mky43::kMscrSending); }));
    }
    ASSERT_TRUE(eventually([&] { return read16(view0, mky43::MR0CR) & mky43::kMrcrReceived; }));
    const std::pair<const char*, std::uint64_t> steps[] = {{"station-off 20 ", kDemoMembers & ~(1ULL << 20)},
                                                           {"station-on 20 ", kDemoMembers}};
    for (const auto& step : steps) {
        ASSERT_EQ(0, ravkernd(step.first + dirOption()).status);
        ASSERT_TRUE(eventually([&] { return read64(view0, mky43::MFR) == step.second; }));
    }
    write16(view1, mky43::SCR, mky43::kScrHalt);
    ASSERT_TRUE(eventually([&] {
        std::string text = ravkernd("status " + dirOption()).output;
        return text.find("board 1 connect state 1004, supervision restarts 0\n") == std::string::npos &&
               text.find("board 1 connect state 1004") != std::string::npos;
    }));
    ASSERT_TRUE(eventually([&] { return read64(view0, mky43::MFR) == kDemoMembers; }));

    std::string text = ravkernd("status " + dirOption()).output;
    EXPECT_NE(std::string::npos, text.find("\nstation 20 mails sent 1, received 1, refused 0, membership changes 3\n"));
    EXPECT_NE(std::string::npos, text.find("\nlate cycles ")) << text;
    CommandResult status = ravkernd("status --json " + dirOption());
    QJsonParseError error{};
    QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(status.output), &error).object();
    ASSERT_EQ(QJsonParseError::NoError, error.error) << status.output;
    EXPECT_EQ(1000, json["cycleTimeUs"].toInt());
    EXPECT_TRUE(json["lateCycles"].isDouble());
    EXPECT_EQ(1004, json["boards"].toArray()[0].toObject()["connectState"].toInt());
    EXPECT_GE(json["boards"].toArray()[1].toObject()["supervisionRestarts"].toInt(), 1);
    std::map<int, std::array<int, 4>> traffic;
    for (const QJsonValue& t : json["traffic"].toArray())
        traffic[t["station"].toInt()] = {t["mailsSent"].toInt(), t["mailsReceived"].toInt(), t["mailsRefused"].toInt(),
                                         t["membershipChanges"].toInt()};
    // Sent, received, refused, membership changes.
    std::map<int, std::array<int, 4>> expected{{1, {3, 1, 0, 1}},  {2, {0, 0, 0, 3}},  {10, {0, 0, 1, 1}},
                                               {11, {0, 0, 0, 1}}, {20, {1, 1, 0, 3}}, {33, {0, 0, 1, 0}}};
    EXPECT_EQ(expected, traffic) << status.output;
}

TEST(NetworkAlone, BoardOfStationSize64OwnsTheWholeBus) {
    HostProcess host;
    host.spawn({"--board", "0"});
    ASSERT_TRUE(host.waitReady()) << host.standardError();
    Device board(0);
    ravkern::MapRequest map{};
    ASSERT_EQ(0, board.map(map));
    auto* view = reinterpret_cast<std::uint8_t*>(map.userAddress);
    ASSERT_EQ(0, board.connect(ravkern::IOCTL_BOARD_CONNECT, "0", 64));
    EXPECT_TRUE(eventually([&] { return read64(view, mky43::MFR) == ~0ULL; })) << std::hex << read64(view, mky43::MFR);
    EXPECT_NE(0, read16(view, mky43::SCR) & mky43::kScrRunning);
    CommandResult status = ravkernd("status --runtime-dir " + host.dir());
    EXPECT_NE(std::string::npos, status.output.find("board 0: station 0 size 64 running\n")) << status.output;
    EXPECT_EQ(0, board.unmap(map.userAddress));
}

struct BadCommand {
    const char* arguments;
    int status;
    const char* says;
};

class NetworkCommand : public Network, public ::testing::WithParamInterface<BadCommand> {};

TEST_P(NetworkCommand, IsRefusedWithAReasonAndChangesNothing) {
    CommandResult result = ravkernd(std::string(GetParam().arguments) + " " + dirOption());
    EXPECT_EQ(GetParam().status, result.status) << result.output;
    EXPECT_NE(std::string::npos, result.output.find(GetParam().says)) << result.output;
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(kDemoMembers, read64(view0, mky43::MFR));
}

// The command's words joined by '_', e.g. station_off_11.
std::string badCommandName(const ::testing::TestParamInfo<BadCommand>& info) {
    std::string name;
    for (const char* c = info.param.arguments; *c != '\0'; ++c) {
        if (*c != ' ' && *c != '-')
            name += *c;
        else if (!name.empty() && name.back() != '_')
            name += '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Commands, NetworkCommand,
                         ::testing::Values(BadCommand{"station-off 11", 1, "no remote station at 11"},
                                           BadCommand{"station-off 64", 1, "bad station address"},
                                           BadCommand{"station-off x1", 1, "bad station address"},
                                           BadCommand{"station-on 1", 1, "no remote station at 1"},
                                           BadCommand{"station-off", 2, "needs a station address"},
                                           BadCommand{"status --verbose", 2, "unexpected argument"}),
                         badCommandName);

TEST(NetworkGone, ControlCommandWithoutAHostSaysSo) {
    ravtest::Sandbox box(ravtest::Sandbox::Entry::KeepOut);
    CommandResult result = ravkernd("status --runtime-dir " + box.runtime());
    EXPECT_EQ(1, result.status);
    EXPECT_NE(std::string::npos, result.output.find("no host answers")) << result.output;
}

TEST_F(Network, ClientKilledHoldingTheBoardLockDoesNotStopTheBus) {
    int ready[2];
    ASSERT_EQ(0, pipe(ready));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Its own handle and view, as another process of the library has.
        Device device(0);
        ravkern::MapRequest request{};
        if (device.map(request) != 0)
            _exit(1);
        auto* state = reinterpret_cast<ravsim::SharedState*>(request.userAddress + ravsim::kStateOffset);
        pthread_mutex_lock(&state->lock);
        char c = 1;
        if (write(ready[1], &c, 1) != 1)
            _exit(1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(1, read(ready[0], &c, 1));
    std::this_thread::sleep_for(50ms);  // the bus meets the held lock
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    close(ready[1]);

    std::uint16_t cycles = read16(view0, mky43::CCTR);
    EXPECT_TRUE(eventually([&] { return static_cast<std::uint16_t>(read16(view0, mky43::CCTR) - cycles) > 20; }));
    write16(view0, mky43::WHPB1, 0x7171);
    write16(view0, mky43::WHCR1, 1);
    EXPECT_TRUE(eventually([&] { return read16(view1, 8 * 1) == 0x7171; }));
    EXPECT_EQ(kDemoMembers, read64(view1, mky43::MFR));
}

}  // namespace
}  // namespace ravtest
