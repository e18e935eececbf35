// Starting and stopping a board end to end against ravkernd: what the driver
// receives, the detail lines, the rate step inside one hold of the Comm
// Start Semaphore, the fill of the own area, and refusals by the driver.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>
#include <thread>

#include "chip/Mky43.h"
#include "driver/RavkernIoctl.h"
#include "lib/board/BoardTable.h"
#include "lib/os/SyncWait.h"
#include "lib/sync/SemCtrl.h"
#include "tests/support/ChipTrace.h"
#include "tests/support/HostedBoard.h"
#include "tests/support/PeerProcess.h"

namespace commtest {
namespace {

using namespace ravlib;
using gmtest::Access;
using gmtest::ChipTrace;
using gmtest::kDetail;
using gmtest::kTrace;
using gmtest::NG;

ravkern::ConnectState driverState() {
    ravkern::ConnectState state{-1, -1, -1};
    EXPECT_EQ(RV_Status(0, 0, &state), MKY43_ER_OK);
    return state;
}

std::vector<Access> bcrAccesses(const std::vector<Access>& all) {
    std::vector<Access> out;
    for (const Access& a : all)
        if (a.offset == mky43::BCR)
            out.push_back(a);
    return out;
}

class CommExports : public gmtest::HostedBoard {
protected:
    void SetUp() override {
        HostedBoard::SetUp();
        openOn({"--board", "0"});
        ASSERT_NE(window(), nullptr);
    }
};

struct ClampCase {
    int32_t address, size, sentAddress, sentSize;
};

class StartClamps : public CommExports, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(StartClamps, TheDriverReceivesTheClampedRange) {
    const ClampCase& c = GetParam();
    ASSERT_EQ(RV_start(0, 0, c.address, c.size, 12345), MKY43_ER_OK);
    const std::vector<std::string> lines = newLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(kDetail) + "RavlibBrd0 RavelConnect: Adr(" + std::to_string(c.sentAddress) +
                            ")-Size(" + std::to_string(c.sentSize) + "): OK: ");
    EXPECT_EQ(lines[1], std::string(kTrace) + "Ravlib(0) RV_start: Line(0): OK");
    const ravkern::ConnectState state = driverState();
    EXPECT_EQ(state.sa, c.sentAddress);
    EXPECT_EQ(state.slen, c.sentSize);
    int32_t adr = -1, size = -1;
    ASSERT_EQ(RV_GetCnectStat(0, 0, &adr, &size), MKY43_ER_OK);
    EXPECT_EQ(adr, c.sentAddress);
    EXPECT_EQ(size, c.sentSize);
    EXPECT_EQ(RV_stop(0, 0), MKY43_ER_OK);
    ASSERT_EQ(RV_GetCnectStat(0, 0, &adr, &size), MKY43_ER_OK);
    EXPECT_EQ(adr, 0);
    EXPECT_EQ(size, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, StartClamps,
                         ::testing::Values(ClampCase{70, 5, 63, 1}, ClampCase{60, 10, 60, 4}, ClampCase{2, 0, 2, 1},
                                           ClampCase{2, -3, 2, 1}, ClampCase{-5, 2, 63, 1}, ClampCase{0, 64, 0, 64}));

TEST_F(CommExports, WithoutARateCodeTheLibraryLeavesBcrAlone) {
    ChipTrace trace(window());
    ASSERT_EQ(RV_start(0, 0, 1, 2, 0), MKY43_ER_OK);
    EXPECT_TRUE(bcrAccesses(trace.take()).empty());
    RV_stop(0, 0);
}

TEST_F(CommExports, ConfigSevenWritesTheBitsOfTwelve) {
    ASSERT_EQ(RV_SetReg16(0, 0, mky43::BCR, 0x3F3F), MKY43_ER_OK);
    newLines();
    ASSERT_EQ(RV_config(0, 0, 7), MKY43_ER_OK);
    EXPECT_EQ(lastLine(), std::string(kTrace) + "Ravlib(0) RV_config: Line(0): Baudrate(7): Ret(0h)");
    ChipTrace trace(window());
    ASSERT_EQ(RV_start_gmm(0, 0, 0), MKY43_ER_OK);
    const std::vector<Access> bcr = bcrAccesses(trace.take());
    ASSERT_EQ(bcr.size(), 2u);
    EXPECT_EQ(bcr[0].kind, 'R');
    EXPECT_EQ(bcr[1], gmtest::W(mky43::BCR, static_cast<uint16_t>((bcr[0].value & 0xFF3F) | 0xC0)));
    RV_stop(0, 0);
}

TEST_F(CommExports, StopAnswersZeroWhenTheDriverRefuses) {
    ASSERT_EQ(RV_start(0, 0, 1, 1, 0), MKY43_ER_OK);
    ASSERT_EQ(host_.stop(SIGKILL), 128 + SIGKILL);
    newLines();
    EXPECT_EQ(RV_stop(0, 0), MKY43_ER_OK);
    const std::vector<std::string> lines = newLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(kDetail) + "RavlibBrd0 RavelDisConnect: NG: <CE=1167>");
    EXPECT_EQ(lines[1], std::string(kTrace) + "Ravlib(0) RV_stop: Line(0): OK");
    EXPECT_EQ(RV_DisConnect(0, 0), MKY43_ER_OTHER);
    EXPECT_EQ(RV_start(0, 0, 1, 1, 0), MKY43_ER_CONNECT);
    EXPECT_EQ(newLines().at(1), std::string(kDetail) + "RavlibBrd0 RavelConnect: Adr(1)-Size(1): NG: <CE=1167>");
    EXPECT_EQ(RV_start_lf(0, 0, 4, 1, 0), MKY43_ER_CONNECT);
    EXPECT_EQ(newLines().at(0), std::string(kDetail) + "RavlibBrd0 RavelConnectLF: Adr(4)-Size(1): NG: <CE=1167>");
    EXPECT_EQ(RV_start_gmm(0, 0, 0), MKY43_ER_CONNECT);
    EXPECT_EQ(newLines().at(0), std::string(kDetail) + "RavlibBrd0 RavelConnectGMM: NG: <CE=1167>");
    ravkern::ConnectState state{};
    EXPECT_EQ(RV_Status(0, 0, &state), MKY43_ER_OTHER);
}

TEST_F(CommExports, ResetFillsTheOwnAreaAndNothingElse) {
    ASSERT_EQ(RV_start(0, 0, 2, 3, 0), MKY43_ER_OK);
    // Seed GM once the driver's connect (which clears GM) has the chip
    // running; alone on the bus, what is stored stays.
    ASSERT_TRUE(eventually([] {
        uint16_t scr = 0;
        return RV_GetReg16(0, 0, mky43::SCR, &scr) == MKY43_ER_OK && (scr & 0x0200) != 0;
    }));
    for (int station = 0; station < 64; ++station)
        ASSERT_EQ(RV_SetReg64(0, 0, station * 8, 0x5A5A5A5A, 0x5A5A5A5A), MKY43_ER_OK);
    newLines();
    ChipTrace trace(window());
    ASSERT_EQ(RV_reset(0, 0, 0x11234), MKY43_ER_OK);
    EXPECT_EQ(lastLine(), std::string(kTrace) + "Ravlib(0) RV_reset: Line(0) Data(4660): OK");
    int filled = 0;
    for (const Access& a : trace.take()) {
        if (a.kind == 'W' && (a.offset == mky43::RHCR0 || a.offset == mky43::WHCR0)) {
            EXPECT_TRUE(a.value >= 2 && a.value <= 4) << a;
        }
        if (a.kind == 'W' && a.offset >= mky43::WHPB0 && a.offset < mky43::WHPB0 + 8 && a.value == 0x1234)
            ++filled;
    }
    EXPECT_EQ(filled, 12);
    uint16_t gm[256];
    ASSERT_EQ(RV_GetMemShort(0, 0, reinterpret_cast<int16_t*>(gm), 0, 0, 256), MKY43_ER_OK);
    for (int w = 0; w < 256; ++w)
        EXPECT_EQ(gm[w], (w >= 8 && w < 20) ? 0x1234 : 0x5A5A) << "GM word " << w;
    RV_stop(0, 0);
}

TEST_F(CommExports, ResetWithNothingRecordedRewritesBlockZeroUnchanged) {
    ASSERT_EQ(RV_SetReg64(0, 0, 0, 0x44443333, 0x22221111), MKY43_ER_OK);
    ChipTrace trace(window());
    ASSERT_EQ(RV_reset(0, 0, 0x7777), MKY43_ER_OK);
    const std::vector<Access> seen = trace.take();
    ASSERT_EQ(seen.size(), 10u);
    EXPECT_EQ(seen.back(), gmtest::W(mky43::WHCR0, 0));
    int32_t lowHigh[2] = {};
    ASSERT_EQ(RV_GetReg64(0, 0, 0, lowHigh), MKY43_ER_OK);
    EXPECT_EQ(lowHigh[0], 0x44443333);
    EXPECT_EQ(lowHigh[1], 0x22221111);
}

TEST_F(CommExports, ConnectGmmLeavesTheRecordedRange) {
    int32_t adr = -1, size = -1;
    ASSERT_EQ(RV_GetCnectStat(0, 0, &adr, &size), MKY43_ER_OK);
    EXPECT_EQ(adr, 0);
    EXPECT_EQ(size, 0);
    ASSERT_EQ(RV_start(0, 0, 2, 3, 0), MKY43_ER_OK);
    ASSERT_EQ(RV_ConnectGMM(0, 0), MKY43_ER_OK);
    ASSERT_EQ(RV_GetCnectStat(0, 0, &adr, &size), MKY43_ER_OK);
    EXPECT_EQ(adr, 2);
    EXPECT_EQ(size, 3);
    EXPECT_EQ(lastLine(),
              std::string(kTrace) + "Ravlib(0) RV_GetCnectStat: Line(0): StationAdr(2)-StationSize(3): Ret(0h)");
    RV_stop(0, 0);
}

TEST_F(CommExports, ASecondStartWithoutStopSendsAndRecordsTheNewRange) {
    ASSERT_EQ(RV_start(0, 0, 1, 2, 0), MKY43_ER_OK);
    ASSERT_EQ(RV_start(0, 0, 5, 1, 0), MKY43_ER_OK);
    int32_t adr = -1, size = -1;
    ASSERT_EQ(RV_GetCnectStat(0, 0, &adr, &size), MKY43_ER_OK);
    EXPECT_EQ(adr, 5);
    EXPECT_EQ(size, 1);
    const ravkern::ConnectState state = driverState();
    EXPECT_EQ(state.sa, 5);
    EXPECT_EQ(state.slen, 1);
    RV_stop(0, 0);
}

TEST_F(CommExports, ConnectsPassTheCallersRequestUnchanged) {
    ravkern::ConnectRequest request{};
    std::memcpy(request.saText, "x1", 3);
    request.slen = 1;
    EXPECT_EQ(RV_Connect(0, 0, &request), MKY43_ER_OTHER);
    EXPECT_EQ(RV_ConnectLF(0, 0, &request), MKY43_ER_OTHER);
    std::memcpy(request.saText, "7", 2);
    request.slen = 2;
    ASSERT_EQ(RV_ConnectLF(0, 0, &request), MKY43_ER_OK);
    const ravkern::ConnectState state = driverState();
    EXPECT_EQ(state.sa, 7);
    EXPECT_EQ(state.slen, 2);
    int32_t adr = -1, size = -1;
    ASSERT_EQ(RV_GetCnectStat(0, 0, &adr, &size), MKY43_ER_OK);
    EXPECT_EQ(adr, 0) << "connects record nothing";
    EXPECT_EQ(RV_DisConnect(0, 0), MKY43_ER_OK);
}

TEST_F(CommExports, StartLfGmmAndNameWriteTheirLines) {
    ASSERT_EQ(RV_start_lf(0, 0, 4, 1, 0), MKY43_ER_OK);
    EXPECT_EQ(newLines().at(0), std::string(kDetail) + "RavlibBrd0 RavelConnectLF: Adr(4)-Size(1): OK: ");
    ASSERT_EQ(RV_start_gmm(0, 0, 0), MKY43_ER_OK);
    EXPECT_EQ(newLines().at(0), std::string(kDetail) + "RavlibBrd0 RavelConnectGMM: OK: ");
    RV_stop(0, 0);
    ravkern::DipSwitchInfo info{};
    ASSERT_EQ(RV_Name(0, 0, &info), MKY43_ER_OK);
    EXPECT_STREQ(info.tag, "DIPSW");
    EXPECT_EQ(info.value, 0);
}

// The rate step: GMM request, a 200 ms wait, BCR, then the connect, all in
// one hold of the semaphore that another process's connect waits for.
class RatedComm : public CommExports {
protected:
    void SetUp() override {
        box_.write("Ravlib.ini", "[BOARD_0]\r\nBaudrate_0=6\r\n");
        CommExports::SetUp();
    }
};

// Stops the connecting thread at its BCR write until the test has looked.
class BcrGate : public os::testing::ChipAccessRecorder {
public:
    explicit BcrGate(const void* window) : window_(window) { os::testing::recordChipAccess(this); }
    ~BcrGate() { os::testing::recordChipAccess(nullptr); }
    void seen(const os::testing::ChipAccess& a) override {
        if (a.base != window_ || a.offset != mky43::BCR)
            return;
        std::unique_lock lock(mutex_);
        accesses_.push_back({a.write ? 'W' : 'R', a.offset, a.value});
        if (!a.write)
            return;
        atWrite_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, std::chrono::seconds(20), [&] { return released_; });
    }
    bool awaitWrite() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(10), [&] { return atWrite_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    std::vector<Access> accesses() {
        std::lock_guard lock(mutex_);
        return accesses_;
    }

private:
    const void* window_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool atWrite_ = false, released_ = false;
    std::vector<Access> accesses_;
};

TEST_F(RatedComm, TheRateStepRunsInsideTheHoldAnotherProcessWaitsFor) {
    boardtest::PeerProcess peer;
    ASSERT_TRUE(peer.ready());
    ASSERT_EQ(peer.ask("open"), "0");
    ASSERT_EQ(peer.ask("trysem"), "free");

    int32_t result = -99;
    std::thread starter;
    {
        BcrGate gate(window());
        const auto began = std::chrono::steady_clock::now();
        starter = std::thread([&] { result = RV_start(0, 0, 1, 2, 0); });
        ASSERT_TRUE(gate.awaitWrite());
        EXPECT_GE(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(200));
        EXPECT_EQ(peer.ask("trysem"), "busy");
        // The driver has the GMM request but not yet the connect.
        peer.send("start 5 1");
        EXPECT_EQ(peer.readLine(300), "<timeout>");
        gate.release();
        starter.join();
        const std::vector<Access> bcr = gate.accesses();
        ASSERT_EQ(bcr.size(), 2u);
        EXPECT_EQ(bcr[1].value, (bcr[0].value & 0xFF3F) | 0x80);
    }
    EXPECT_EQ(result, MKY43_ER_OK);
    EXPECT_EQ(peer.readLine(), "0") << "the waiting connect ran after the hold";
    EXPECT_EQ(peer.ask("trysem"), "free");
    EXPECT_EQ(driverState().sa, 5);
    EXPECT_EQ(peer.ask("stop"), "0");
}

TEST_F(CommExports, AConnectWaitsWhileTheSemaphoreIsHeld) {
    boardtest::PeerProcess peer;
    ASSERT_TRUE(peer.ready());
    ASSERT_EQ(peer.ask("open"), "0");
    SemCtrl* sem = boardTable().find(0)->commStartSem(0);
    ASSERT_EQ(sem->wait(os::kInfinite), os::kWaitObject0);
    peer.send("start 6 1");
    EXPECT_EQ(peer.readLine(300), "<timeout>");
    EXPECT_EQ(driverState().slen, 0) << "nothing reached the driver";
    ASSERT_EQ(sem->release(), 1);
    EXPECT_EQ(peer.readLine(), "0");
    EXPECT_EQ(driverState().sa, 6);
    EXPECT_EQ(peer.ask("stop"), "0");
}

}  // namespace
}  // namespace commtest
