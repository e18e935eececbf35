#include "sim/Chip.h"
#include "chip/Mky43.h"
#include "sim/BoardLock.h"
#include "sim/Bus.h"
#include "sim/ChipMap.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ravsim {
namespace {

// A chip on private memory, stepped by hand.
class ChipTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(initSharedState(state(), 2));
        chip().resetRegisters();
    }
    void TearDown() override { pthread_mutex_destroy(&state().lock); }

    SharedState& state() { return *reinterpret_cast<SharedState*>(memory.data() + kStateOffset); }
    Chip chip() { return Chip(memory.data(), state()); }
    std::uint16_t at(std::size_t offset) { return chip().load(offset); }
    void write(std::size_t offset, std::uint16_t value) { chip().write(offset, value); }
    void cycles(int n) {
        for (int i = 0; i < n; ++i)
            chip().cycle();
    }

    alignas(8) std::vector<std::uint8_t> memory = std::vector<std::uint8_t>(kRegionAFileSize, 0);
};

TEST_F(ChipTest, ChipCodeReadsMky43AfterReset) {
    char text[9] = {};
    std::memcpy(text, memory.data() + mky43::CCR, 8);
    EXPECT_STREQ(text, "MKY43");
    EXPECT_EQ(0, std::memcmp(memory.data() + mky43::CCR + 5, "\0\0\0", 3));
}

TEST_F(ChipTest, StartWithStationRaisesRunningBitAfterStartDelay) {
    write(mky43::BCR, 0x0307);
    write(mky43::SCR, mky43::kScrStart);
    EXPECT_EQ(0, at(mky43::SCR) & mky43::kScrRunning);
    cycles(1);
    EXPECT_EQ(0, at(mky43::SCR) & mky43::kScrRunning);
    cycles(1);
    EXPECT_EQ(mky43::kScrRunning, at(mky43::SCR) & mky43::kScrRunning);
    EXPECT_TRUE(chip().running());
}

TEST_F(ChipTest, StartWithoutStationSizeNeverRuns) {
    for (std::uint16_t bcr : {0x0000, 0x0007, 0x80C7, 0x803F}) {
        write(mky43::BCR, bcr);
        write(mky43::SCR, mky43::kScrStart);
        cycles(10);
        EXPECT_EQ(0, at(mky43::SCR) & mky43::kScrRunning) << std::hex << bcr;
    }
}

TEST_F(ChipTest, HaltDropsRunningBitAtOnceAndCancelsPendingStart) {
    write(mky43::BCR, 0x0100);
    write(mky43::SCR, mky43::kScrStart);
    cycles(3);
    ASSERT_TRUE(chip().running());
    write(mky43::SCR, mky43::kScrHalt);
    EXPECT_FALSE(chip().running());
    EXPECT_EQ(0, at(mky43::SCR) & mky43::kScrRunning);

    write(mky43::SCR, mky43::kScrStart);
    cycles(1);
    write(mky43::SCR, mky43::kScrHalt);
    cycles(5);
    EXPECT_FALSE(chip().running());
}

TEST_F(ChipTest, WriteWithoutStartBitEndsCommunication) {
    for (std::uint16_t scr : {0x0000, 0x0200, 0x0600, 0x00FF}) {
        write(mky43::BCR, 0x0100);
        write(mky43::SCR, mky43::kScrStart);
        cycles(2);
        ASSERT_TRUE(chip().running());
        write(mky43::SCR, scr);
        EXPECT_FALSE(chip().running()) << std::hex << scr;
        EXPECT_EQ(0, at(mky43::SCR) & mky43::kScrRunning) << "the bit is the chip's, not the writer's";
        cycles(3);
        EXPECT_FALSE(chip().running());
    }
}

TEST_F(ChipTest, RepeatedStartNeitherRestartsNorDelaysARunningChip) {
    write(mky43::BCR, 0x0100);
    write(mky43::SCR, mky43::kScrStart);
    cycles(1);
    write(mky43::SCR, mky43::kScrStart);  // a second start while one is pending keeps its countdown
    cycles(1);
    EXPECT_TRUE(chip().running());
    write(mky43::SCR, mky43::kScrStart);
    EXPECT_EQ(mky43::kScrStart | mky43::kScrRunning, at(mky43::SCR));
    // A store that bypasses the hook is corrected by the next cycle.
    chip().store(mky43::SCR, mky43::kScrStart);
    cycles(1);
    EXPECT_EQ(mky43::kScrStart | mky43::kScrRunning, at(mky43::SCR));
}

TEST_F(ChipTest, CctrCountsCyclesOnlyWhileRunningAndWraps) {
    cycles(5);
    EXPECT_EQ(0, at(mky43::CCTR));
    write(mky43::BCR, 0x0100);
    write(mky43::SCR, mky43::kScrStart);
    cycles(2);  // the cycle that raises the bit counts
    EXPECT_EQ(1, at(mky43::CCTR));
    cycles(9);
    EXPECT_EQ(10, at(mky43::CCTR));
    write(mky43::CCTR, 0xFFFF);
    cycles(2);
    EXPECT_EQ(1, at(mky43::CCTR));
    write(mky43::SCR, mky43::kScrHalt);
    cycles(3);
    EXPECT_EQ(1, at(mky43::CCTR));
}

TEST_F(ChipTest, ResetLineResetsRegistersAndStopsTheChip) {
    write(mky43::BCR, 0x0105);
    write(mky43::SCR, mky43::kScrStart);
    cycles(2);
    write(mky43::LGR, 0x1234);
    std::memset(memory.data() + mky43::kGm, 0xAB, mky43::kGmEnd - mky43::kGm);
    chip().setResetLine(true);
    EXPECT_FALSE(chip().running());
    EXPECT_EQ(0, at(mky43::BCR));
    EXPECT_EQ(0, at(mky43::SCR));
    EXPECT_EQ(0, at(mky43::LGR));
    EXPECT_EQ(0xABAB, at(mky43::kGm)) << "GM is memory, not a register";

    // Held in reset: no start, no hazard effect, no counting.
    write(mky43::BCR, 0x0100);
    write(mky43::SCR, mky43::kScrStart);
    write(mky43::RHCR0, 1);
    cycles(5);
    EXPECT_FALSE(chip().running());
    EXPECT_EQ(0, at(mky43::RHPB0));
    EXPECT_EQ(0, at(mky43::CCTR));

    chip().setResetLine(false);
    EXPECT_EQ(0, at(mky43::BCR)) << "writes made during reset do not survive it";
    EXPECT_EQ(0x3459, at(mky43::CCR + 2)) << "\"Y4\" of the chip code";
}

struct HazardCase {
    const char* name;
    std::size_t control;
    std::size_t buffer;
    bool isRead;
};

class HazardTest : public ChipTest, public ::testing::WithParamInterface<HazardCase> {};

TEST_P(HazardTest, BlockNumberMovesOneBlockAtOnce) {
    const HazardCase& c = GetParam();
    for (std::size_t i = 0; i < mky43::kGmEnd - mky43::kGm; i += 2)
        chip().store(mky43::kGm + i, static_cast<std::uint16_t>(i));
    for (unsigned w = 0; w < 4; ++w)
        chip().store(c.buffer + 2 * w, static_cast<std::uint16_t>(0xF000 + w));

    write(c.control, 63);
    for (unsigned w = 0; w < 4; ++w) {
        if (c.isRead)
            EXPECT_EQ(63 * 8 + 2 * w, at(c.buffer + 2 * w));
        else
            EXPECT_EQ(0xF000 + w, at(63 * 8 + 2 * w));
    }
    EXPECT_EQ(62 * 8, at(62 * 8)) << "neighbour block untouched";
}

TEST_P(HazardTest, BlockNumbersAbove63AreIgnored) {
    const HazardCase& c = GetParam();
    std::vector<std::uint8_t> before(memory.begin(), memory.begin() + mky43::kWindowSize);
    for (std::uint16_t n : {64, 100, 0x8000, 0xFFFF}) {
        write(c.control, n);
        std::vector<std::uint8_t> after(memory.begin(), memory.begin() + mky43::kWindowSize);
        after[c.control] = before[c.control];
        after[c.control + 1] = before[c.control + 1];
        EXPECT_EQ(before, after) << n;
    }
}

// Stopped at every instruction of the move, as a debugger or a kill may stop
// the writing process, the destination holds the old block or the new one.
TEST_P(HazardTest, MoveStoppedAtAnyInstructionLeavesNoMix) {
    const HazardCase& c = GetParam();
    const std::uint64_t before = 0x1111111111111111, after = 0x2222222222222222;
    std::uint8_t* target = memory.data() + (c.isRead ? c.buffer : 63 * 8);
    std::memcpy(target, &before, sizeof before);
    std::memcpy(memory.data() + (c.isRead ? 63 * 8 : c.buffer), &after, sizeof after);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) == 0)
            raise(SIGSTOP);
        write(c.control, 63);
        _exit(0);
    }
    std::set<std::uint64_t> seen;
    int status = 0;
    while (waitpid(child, &status, 0) == child && WIFSTOPPED(status)) {
        seen.insert(static_cast<std::uint64_t>(ptrace(PTRACE_PEEKDATA, child, target, nullptr)));
        if (ptrace(PTRACE_SINGLESTEP, child, nullptr, nullptr) != 0)
            break;
    }
    if (!WIFEXITED(status)) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    EXPECT_EQ((std::set<std::uint64_t>{before, after}), seen);
}

INSTANTIATE_TEST_SUITE_P(Registers, HazardTest,
                         ::testing::Values(HazardCase{"RHCR0", mky43::RHCR0, mky43::RHPB0, true},
                                           HazardCase{"RHCR1", mky43::RHCR1, mky43::RHPB1, true},
                                           HazardCase{"WHCR0", mky43::WHCR0, mky43::WHPB0, false},
                                           HazardCase{"WHCR1", mky43::WHCR1, mky43::WHPB1, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RegisterTable, CoversTheRegisterMapWithoutOverlap) {
    std::size_t count = 0;
    const RegisterInfo* table = registerTable(count);
    ASSERT_EQ(36u, count);
    for (std::size_t i = 1; i < count; ++i)
        EXPECT_EQ(table[i - 1].offset + 2 * table[i - 1].words, table[i].offset) << table[i].name;
    EXPECT_EQ(mky43::RFR, table[0].offset);
    EXPECT_EQ(mky43::WHPB1 + 8, table[count - 1].offset + 8);
    EXPECT_EQ("SCR", findRegister(mky43::SCR)->name);
    EXPECT_EQ("CCR", findRegister(mky43::CCR + 6)->name);
    EXPECT_EQ(nullptr, findRegister(mky43::kRegistersUsedEnd));
    EXPECT_EQ(nullptr, findRegister(mky43::kRegisters - 2));
}

// The model's table is the chip's map, register for register and width for
// width, and the map runs in address order without gaps.
TEST(RegisterTable, IsTheChipsMapInAddressOrder) {
    std::size_t count = 0;
    const RegisterInfo* table = registerTable(count);
    ASSERT_EQ(mky43::kRegisterCount, count);
    std::uint32_t next = mky43::kRegisters;
    for (std::size_t i = 0; i < count; ++i) {
        const mky43::Register& named = mky43::kRegisterMap[i];
        EXPECT_EQ(named.name, table[i].name);
        EXPECT_EQ(named.offset, table[i].offset) << named.name;
        EXPECT_EQ(named.bits, 16 * table[i].words) << named.name;
        EXPECT_EQ(next, named.offset) << named.name << " does not follow the register before it";
        EXPECT_EQ(&named, mky43::findRegister(named.name));
        next = named.offset + named.bits / 8;
    }
    EXPECT_EQ(mky43::kRegistersUsedEnd, next);
}

TEST(BusCycle, StepsEveryBoardUnderItsLock) {
    ravtest::Sandbox box(ravtest::Sandbox::Entry::KeepOut);
    std::string error;
    auto a = BoardFiles::create(box.runtime(), 0, 0, 1, error);
    auto b = BoardFiles::create(box.runtime(), 1, 1, 1, error);
    ASSERT_TRUE(a && b) << error;
    Bus bus;
    bus.addBoard(*a);
    bus.addBoard(*b);
    std::uint16_t station = 1;
    for (BoardFiles* f : {a.get(), b.get()}) {
        BoardLock lock(f->state());
        Chip chip(f->window(), f->state());
        chip.write(mky43::BCR, static_cast<std::uint16_t>(0x0100 | station++));
        chip.write(mky43::SCR, mky43::kScrStart);
    }
    bus.cycle();
    bus.removeBoard(*b);
    bus.cycle();
    EXPECT_EQ(2u, a->state().cycles);
    EXPECT_EQ(1u, b->state().cycles);
    EXPECT_TRUE(a->state().running && b->state().running);
    std::string pathA = a->regionAPath();
    a.reset();
    b.reset();
    EXPECT_NE(0, access(pathA.c_str(), F_OK)) << "board files go with the board";
}

TEST(BusCycle, BoardWhoseLockIsHeldMissesCyclesAndOthersGoOn) {
    ravtest::Sandbox box(ravtest::Sandbox::Entry::KeepOut);
    std::string error;
    auto stuck = BoardFiles::create(box.runtime(), 0, 0, 1, error);
    auto free = BoardFiles::create(box.runtime(), 1, 1, 1, error);
    ASSERT_TRUE(stuck && free) << error;
    Bus bus;
    bus.addBoard(*stuck);
    bus.addBoard(*free);
    std::atomic<bool> locked{false}, release{false};
    std::thread holder([&] {
        BoardLock lock(stuck->state());
        locked = true;
        while (!release)
            std::this_thread::yield();
    });
    while (!locked)
        std::this_thread::yield();
    bus.cycle();
    bus.cycle();
    release = true;
    holder.join();
    EXPECT_EQ(0u, stuck->state().cycles);
    EXPECT_EQ(2u, free->state().cycles);
    bus.cycle();
    EXPECT_EQ(1u, stuck->state().cycles);
    stuck.reset();
    free.reset();
}

}  // namespace
}  // namespace ravsim
