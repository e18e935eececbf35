#include "tests/driver/BoardRig.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace ravkern::fake {
namespace {

class SequenceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(rig.start()); }
    void TearDown() override { EXPECT_TRUE(rig.kernel.violations().empty()); }

    // Sends the request and runs the routine it queues, at the current time.
    void connect(uint32_t code, const std::string& text, int32_t slen) {
        ASSERT_EQ(rig.connect(code, text, slen).status, STATUS_SUCCESS);
        rig.kernel.runQueuedRoutines();
    }

    int32_t state() { return rig.connectState().status; }

    BoardRig rig;
};

struct TextCase {
    std::string text;
    NTSTATUS status;
    int32_t sa;
};

class ConnectTextTest : public SequenceTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(ConnectTextTest, FirstCharacterMustBeADigit) {
    const ControlResult result = rig.connect(IOCTL_BOARD_CONNECT, GetParam().text, 4);
    EXPECT_EQ(result.status, GetParam().status);
    const ConnectState s = rig.connectState();
    if (GetParam().status == STATUS_SUCCESS) {
        EXPECT_EQ(s.status, 1);
        EXPECT_EQ(s.sa, GetParam().sa);
        EXPECT_EQ(s.slen, 4);
    } else {
        EXPECT_EQ(s.status, 0);
        EXPECT_EQ(s.slen, 0);
        EXPECT_FALSE(rig.kernel.routineQueued(rig.device));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ConnectTextTest,
    ::testing::Values(TextCase{" 7", STATUS_INVALID_PARAMETER, 0}, TextCase{"+7", STATUS_INVALID_PARAMETER, 0},
                      TextCase{"-7", STATUS_INVALID_PARAMETER, 0}, TextCase{"a7", STATUS_INVALID_PARAMETER, 0},
                      TextCase{"", STATUS_INVALID_PARAMETER, 0}, TextCase{"\xB2", STATUS_INVALID_PARAMETER, 0},
                      TextCase{"0", STATUS_SUCCESS, 0}, TextCase{"7", STATUS_SUCCESS, 7},
                      TextCase{"12ab", STATUS_SUCCESS, 12}, TextCase{"63 1", STATUS_SUCCESS, 63},
                      // Eight digits are cut to seven: 1234567 kept to 16 bits.
                      TextCase{"12345678", STATUS_SUCCESS, 1234567 & 0xFFFF},
                      TextCase{"99999", STATUS_SUCCESS, 99999 & 0xFFFF}));

TEST_F(SequenceTest, StatesAndWaitsOfANormalConnect) {
    rig.fillChip(0x7777);
    rig.setChip(mky43::SCR, 0);
    rig.setChip(mky43::BCR, 0);
    ASSERT_EQ(rig.connect(IOCTL_BOARD_CONNECT, "7", 3).status, STATUS_SUCCESS);
    EXPECT_EQ(state(), 1);
    rig.kernel.runQueuedRoutines();

    // State after each 10 ms tick, the running bit never set.
    const std::vector<int32_t> expected{1000, 1000, 1001, 1001, 1002, 1003, 1004, 1004,
                                        1004, 1004, 1004, 1004, 1003, 1004, 1004};
    EXPECT_EQ(state(), 2);
    EXPECT_EQ(rig.chip(mky43::SSR), 0x0700);
    EXPECT_EQ(rig.chip(mky43::SCR), 0);
    for (uint32_t offset : {mky43::LGR, mky43::MGR, mky43::DRCR, mky43::NFSR, mky43::WHPB0, mky43::WHPB1 + 6, 0x1FEu,
                            0x200u, 0x400u, 0x5FEu})
        EXPECT_EQ(rig.chip(offset), 0) << offset;
    EXPECT_EQ(rig.chip(mky43::LGR + 2), 0x7777) << "only the first word of LGR";
    EXPECT_EQ(rig.chip(mky43::CCTR), 0x7777);

    EXPECT_EQ(state(), 2);
    rig.tick();
    EXPECT_EQ(state(), 2);
    std::vector<int32_t> seen;
    std::vector<uint16_t> scrWrites;
    for (size_t i = 0; i < expected.size(); ++i) {
        rig.kernel.clearRecords();
        rig.tick();
        seen.push_back(state());
        for (const RegisterWrite& w : rig.kernel.registerWrites()) {
            if (w.physical == kRegionABase + mky43::SCR)
                scrWrites.push_back(static_cast<uint16_t>(w.value));
        }
        if (i == 2) {
            EXPECT_EQ(rig.chip(mky43::SCR), mky43::kScrHalt);
        }
    }
    EXPECT_EQ(seen, expected);
    // 1000 halts, 1002 clears, 1003 starts, and the restart seven ticks later.
    EXPECT_EQ(scrWrites, (std::vector<uint16_t>{0x8000, 0x0000, 0x0100, 0x0100}));
    EXPECT_EQ(rig.chip(mky43::BCR), 0x0307);
}

struct BcrCase {
    uint32_t code;
    uint16_t oldBcr;
    std::string text;
    int32_t slen;
    uint16_t bcr;
};

class BcrTest : public SequenceTest, public ::testing::WithParamInterface<BcrCase> {};

TEST_P(BcrTest, ComposedSixtyMillisecondsAfterTheRequest) {
    rig.setChip(mky43::BCR, GetParam().oldBcr);
    connect(GetParam().code, GetParam().text, GetParam().slen);
    rig.tick(5);
    EXPECT_EQ(rig.chip(mky43::BCR), GetParam().oldBcr);
    rig.tick();
    EXPECT_EQ(rig.chip(mky43::BCR), GetParam().bcr);
    EXPECT_EQ(state(), 1002);
}

INSTANTIATE_TEST_SUITE_P(Requests, BcrTest,
                         ::testing::Values(BcrCase{IOCTL_BOARD_CONNECT, 0x0000, "7", 3, 0x0307},
                                           BcrCase{IOCTL_BOARD_CONNECT_LF, 0x0000, "7", 3, 0x8307},
                                           BcrCase{IOCTL_BOARD_CONNECT, 0x7F3F, "7", 3, 0x4307},
                                           BcrCase{IOCTL_BOARD_CONNECT, 0xFFFF, "7", 3, 0xC3C7},
                                           BcrCase{IOCTL_BOARD_CONNECT_LF, 0x40C0, "7", 3, 0xC3C7},
                                           BcrCase{IOCTL_BOARD_CONNECT, 0x0080, "62", 2, 0x02BE},
                                           // A size of 256 and more shifts out of the 16 bits.
                                           BcrCase{IOCTL_BOARD_CONNECT, 0x0000, "1", 0x101, 0x0101}));

TEST_F(SequenceTest, RestartsCommunicationWhenTheRunningBitDrops) {
    connect(IOCTL_BOARD_CONNECT, "5", 1);
    rig.tick(8);
    ASSERT_EQ(state(), 1004);
    ASSERT_EQ(rig.chip(mky43::SCR), mky43::kScrStart);
    rig.setChip(mky43::SCR, mky43::kScrStart | mky43::kScrRunning);

    for (int check = 0; check < 3; ++check) {
        rig.kernel.clearRecords();
        rig.tick(6);
        EXPECT_EQ(state(), 1004);
        EXPECT_TRUE(rig.kernel.registerWrites().empty()) << "supervision only reads SCR";
    }
    rig.setChip(mky43::SCR, 0);
    rig.tick(6);
    EXPECT_EQ(state(), 1003);
    rig.tick();
    EXPECT_EQ(state(), 1004);
    EXPECT_EQ(rig.chip(mky43::SCR), mky43::kScrStart);
}

TEST_F(SequenceTest, GmmEndsHaltedWithoutClearing) {
    connect(IOCTL_BOARD_CONNECT_GMM, "9", 2);
    rig.fillChip(0x1234);
    rig.setChip(mky43::BCR, 0x00C0);
    rig.tick(3);
    EXPECT_EQ(state(), 1000);
    rig.tick();
    EXPECT_EQ(state(), 0);
    EXPECT_EQ(rig.chip(mky43::SCR), mky43::kScrHalt);
    EXPECT_FALSE(rig.kernel.timerArmed(rig.device));
    EXPECT_FALSE(rig.kernel.routineQueued(rig.device));
    const int runs = rig.kernel.routineRuns(rig.device);
    rig.tick(20);
    EXPECT_EQ(rig.kernel.routineRuns(rig.device), runs);
    EXPECT_EQ(rig.chip(0x100), 0x1234);
    EXPECT_EQ(rig.chip(mky43::WHPB0), 0x1234);
    EXPECT_EQ(rig.chip(mky43::BCR), 0x00C0);
    const ConnectState s = rig.connectState();
    EXPECT_EQ(s.sa, 9);
    EXPECT_EQ(s.slen, 2);
}

TEST_F(SequenceTest, AConnectDuringASequenceRestartsItWithOneChain) {
    connect(IOCTL_BOARD_CONNECT, "5", 1);
    rig.tick(8);
    ASSERT_EQ(state(), 1004);  // five ticks of waiting pending

    connect(IOCTL_BOARD_CONNECT_LF, "9", 2);
    EXPECT_EQ(state(), 1);
    const int runs = rig.kernel.routineRuns(rig.device);
    rig.tick(4);
    EXPECT_EQ(state(), 1) << "the pending wait runs out first";
    rig.tick();
    EXPECT_EQ(state(), 2);
    rig.tick(9);
    EXPECT_EQ(state(), 1004);
    EXPECT_EQ(rig.chip(mky43::BCR), 0x8209);
    EXPECT_EQ(rig.kernel.routineRuns(rig.device) - runs, 14) << "one run per tick: a single chain";
}

TEST_F(SequenceTest, DisconnectWithoutASequenceClearsAtOnceAndKeepsTheWriteBuffers) {
    rig.fillChip(0x4242);
    ASSERT_EQ(rig.control(IOCTL_BOARD_DISCONNECT, {}, 0).status, STATUS_SUCCESS);
    for (uint32_t offset = 0; offset < mky43::kMailReceiveBuffersEnd; offset += 2) {
        const bool kept = offset >= mky43::kRegisters && offset < mky43::kRegistersEnd && offset != mky43::SCR;
        ASSERT_EQ(rig.chip(offset), kept ? 0x4242 : 0) << "offset " << offset;
    }
    EXPECT_FALSE(rig.kernel.routineQueued(rig.device));
    EXPECT_FALSE(rig.kernel.timerArmed(rig.device));
}

TEST_F(SequenceTest, DisconnectDuringASequenceClearsAtTheNextTickWithTheWriteBuffers) {
    connect(IOCTL_BOARD_CONNECT, "5", 1);
    rig.tick(6);
    ASSERT_EQ(state(), 1002);
    rig.fillChip(0x4242);
    ASSERT_EQ(rig.control(IOCTL_BOARD_DISCONNECT, {}, 0).status, STATUS_SUCCESS);
    EXPECT_EQ(state(), 0);
    EXPECT_EQ(rig.chip(0x10), 0x4242);
    EXPECT_EQ(rig.chip(mky43::SCR), 0x4242);

    rig.tick();
    for (uint32_t offset = 0; offset < mky43::kMailReceiveBuffersEnd; offset += 2) {
        const bool writeBuffer = offset >= mky43::WHPB0 && offset < mky43::kRegistersUsedEnd;
        const bool kept =
            offset >= mky43::kRegisters && offset < mky43::kRegistersEnd && !writeBuffer && offset != mky43::SCR;
        ASSERT_EQ(rig.chip(offset), kept ? 0x4242 : 0) << "offset " << offset;
    }
    EXPECT_FALSE(rig.kernel.timerArmed(rig.device));
    const int runs = rig.kernel.routineRuns(rig.device);
    rig.tick(10);
    EXPECT_EQ(rig.kernel.routineRuns(rig.device), runs);
}

TEST_F(SequenceTest, DisconnectWhileWaitingClearsWhenTheWaitRunsOut) {
    connect(IOCTL_BOARD_CONNECT, "5", 1);
    rig.tick(8);
    rig.fillChip(0x4242);
    rig.control(IOCTL_BOARD_DISCONNECT, {}, 0);
    rig.tick(5);
    EXPECT_EQ(rig.chip(0), 0x4242);
    rig.tick();
    EXPECT_EQ(rig.chip(0), 0);
    EXPECT_EQ(rig.chip(mky43::WHPB1), 0);
}

// Controls arrive on their own threads while the tick routine runs on the
// clock's thread; the last connect always takes effect.
TEST_F(SequenceTest, ControlsRacingTheTickRoutineLoseNoRestart) {
    std::atomic<bool> stop{false};
    std::thread clock([&] {
        while (!stop.load())
            rig.kernel.advance(kTick);
    });
    std::thread reader([&] {
        while (!stop.load())
            rig.connectState();
    });
    for (int i = 0; i < 300; ++i) {
        rig.connect(i % 3 == 0 ? IOCTL_BOARD_CONNECT_GMM : IOCTL_BOARD_CONNECT, std::to_string(i % 60), 1 + i % 4);
        if (i % 7 == 0)
            rig.control(IOCTL_BOARD_DISCONNECT, {}, 0);
    }
    rig.connect(IOCTL_BOARD_CONNECT, "21", 3);
    stop.store(true);
    clock.join();
    reader.join();

    // However far the clock got meanwhile, 20 ticks reach the supervision loop.
    rig.tick(20);
    EXPECT_TRUE(state() == 1003 || state() == 1004) << state();
    EXPECT_EQ(rig.chip(mky43::BCR) & 0x3F3F, 0x0315);
    EXPECT_EQ(rig.connectState().sa, 21);
}

}  // namespace
}  // namespace ravkern::fake
