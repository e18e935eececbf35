// The bus between boards and remote stations, stepped one cycle at a time:
// GM exchange, member flags, joining and leaving, mail and station faults.
#include "sim/Bus.h"
#include "chip/Mky43.h"
#include "sim/BoardLock.h"
#include "sim/Chip.h"
#include "sim/StationRange.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ravsim {
namespace {

class BusTest : public ::testing::Test {
protected:
    void TearDown() override { boards.clear(); }

    void addBoards(unsigned n) {
        for (unsigned i = 0; i < n; ++i) {
            std::string error;
            auto files = BoardFiles::create(box.runtime(), static_cast<unsigned>(boards.size()), 0, 1, error);
            ASSERT_TRUE(files) << error;
            bus.addBoard(*files);
            boards.push_back(std::move(files));
        }
    }
    void write(unsigned b, std::size_t offset, std::uint16_t value) {
        BoardLock lock(boards[b]->state());
        Chip(boards[b]->window(), boards[b]->state()).write(offset, value);
    }
    std::uint16_t load(unsigned b, std::size_t offset) {
        return Chip(boards[b]->window(), boards[b]->state()).load(offset);
    }
    std::uint64_t load64(unsigned b, std::size_t offset) {
        std::uint64_t value = 0;
        for (unsigned w = 0; w < 4; ++w)
            value |= std::uint64_t{load(b, offset + 2 * w)} << (16 * w);
        return value;
    }
    bool running(unsigned b) { return load(b, mky43::SCR) & mky43::kScrRunning; }
    void start(unsigned b, unsigned station, unsigned size) {
        write(b, mky43::BCR, static_cast<std::uint16_t>(size << 8 | station));
        write(b, mky43::SCR, mky43::kScrStart);
    }
    void run(int n) {
        for (int i = 0; i < n; ++i)
            bus.cycle();
    }
    void addStation(unsigned address, unsigned size, StationRole role) {
        std::string error;
        ASSERT_TRUE(bus.addStation(address, size, role, error)) << error;
    }
    void arm(unsigned b) {
        write(b, mky43::MR0CR, mky43::kMrcrArmed);
        write(b, mky43::MR1CR, mky43::kMrcrArmed);
    }
    // What the library does for a send of `bytes` even bytes.
    void send(unsigned b, unsigned destination, std::vector<std::uint16_t> words) {
        write(b, mky43::MESR, 0);
        for (std::size_t i = 0; i < words.size(); ++i)
            write(b, mky43::kMailSendBuffer + 2 * i, words[i]);
        unsigned units = static_cast<unsigned>((words.size() * 2 - 1) / 8 + 1);
        write(b, mky43::MSCR, static_cast<std::uint16_t>(destination * 256 + units + 0x4000));
    }
    // Cycles until MSCR bit 14 clears; -1 if it never does within `limit`.
    int runUntilSent(unsigned b, int limit = 100) {
        for (int n = 1; n <= limit; ++n) {
            bus.cycle();
            if (!(load(b, mky43::MSCR) & mky43::kMscrSending))
                return n;
        }
        return -1;
    }

    ravtest::Sandbox box{ravtest::Sandbox::Entry::KeepOut};
    Bus bus;
    std::vector<std::unique_ptr<BoardFiles>> boards;
};

TEST_F(BusTest, TwoBoardsExchangeGmBothWays) {
    addBoards(2);
    start(0, 1, 1);
    start(1, 2, 2);
    write(0, mky43::kGm + 8 * 1, 0x1111);
    write(0, mky43::kGm + 8 * 1 + 6, 0x1444);
    write(1, mky43::kGm + 8 * 2, 0x2222);
    write(1, mky43::kGm + 8 * 3 + 6, 0x3333);
    write(1, mky43::kGm + 8 * 1, 0xBAD0);  // board 1 does not own block 1
    run(3);
    ASSERT_TRUE(running(0) && running(1));
    EXPECT_EQ(0x1111, load(1, mky43::kGm + 8 * 1));
    EXPECT_EQ(0x1444, load(1, mky43::kGm + 8 * 1 + 6));
    EXPECT_EQ(0x2222, load(0, mky43::kGm + 8 * 2));
    EXPECT_EQ(0x3333, load(0, mky43::kGm + 8 * 3 + 6));
    EXPECT_EQ(0x1111, load(0, mky43::kGm + 8 * 1)) << "a chip's own blocks are never overwritten";
    write(0, mky43::kGm + 8 * 1, 0x5555);
    run(1);
    EXPECT_EQ(0x5555, load(1, mky43::kGm + 8 * 1)) << "a change reaches the other chip within one cycle";
}

TEST_F(BusTest, MemberFlagsShowEveryBoardAndStation) {
    addBoards(3);
    addStation(10, 2, StationRole::Counter);
    addStation(20, 1, StationRole::Echo);
    start(0, 1, 1);
    start(1, 2, 1);
    run(3);
    const std::uint64_t expected = (1ULL << 1) | (1ULL << 2) | (3ULL << 10) | (1ULL << 20);
    for (unsigned b : {0u, 1u})
        for (std::size_t r : {mky43::RFR, mky43::LFR, mky43::MFR})
            EXPECT_EQ(expected, load64(b, r)) << "board " << b << " register " << r;
    EXPECT_EQ(0u, load64(2, mky43::MFR)) << "a chip that does not run sees no members";
    BusStatus status = bus.status();
    EXPECT_EQ(expected, status.members);
    EXPECT_EQ(3u, status.cycles);
}

TEST_F(BusTest, OverlappingRangeDoesNotJoinUntilItIsFree) {
    addBoards(2);
    addStation(20, 1, StationRole::Idle);
    start(0, 5, 3);
    run(3);
    start(1, 7, 1);
    run(5);
    EXPECT_FALSE(running(1));
    EXPECT_EQ(1u, boards[1]->state().refusedJoins);
    EXPECT_EQ((7ULL << 5) | (1ULL << 20), load64(0, mky43::MFR));
    start(1, 19, 2);  // overlaps the remote station
    run(5);
    EXPECT_FALSE(running(1));
    EXPECT_EQ(2u, boards[1]->state().refusedJoins);
    write(0, mky43::SCR, mky43::kScrHalt);
    start(1, 7, 1);
    run(3);
    EXPECT_TRUE(running(1)) << "the range is free once the other chip left";
    EXPECT_EQ((1ULL << 7) | (1ULL << 20), load64(1, mky43::MFR));
}

TEST_F(BusTest, RangeBeyondStation63NeverJoins) {
    addBoards(1);
    start(0, 60, 8);
    run(5);
    EXPECT_FALSE(running(0));
    EXPECT_EQ(1u, boards[0]->state().refusedJoins);
}

struct BcrCase {
    std::uint16_t bcr;
    std::uint64_t joined;  // 0: the start is refused
};

class BcrJoin : public BusTest, public ::testing::WithParamInterface<BcrCase> {};

// Size 64 lands on bit 14 (64 << 8); a size in bits 8-13 wins over a bit 14
// left from an earlier start.
TEST_P(BcrJoin, ChipJoinsWithTheStationsBcrNames) {
    addBoards(1);
    write(0, mky43::BCR, GetParam().bcr);
    write(0, mky43::SCR, mky43::kScrStart);
    run(3);
    EXPECT_EQ(GetParam().joined != 0, running(0));
    EXPECT_EQ(GetParam().joined, load64(0, mky43::MFR));
    EXPECT_EQ(GetParam().joined ? 0u : 1u, boards[0]->state().refusedJoins);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BcrJoin,
                         ::testing::Values(BcrCase{0x0307, 7ULL << 7}, BcrCase{0x4000, ~0ULL}, BcrCase{0xC0C0, ~0ULL},
                                           BcrCase{0x4307, 7ULL << 7}, BcrCase{0x7F01, ~1ULL}, BcrCase{0x4001, 0}),
                         [](const auto& info) {
                             char name[8];
                             std::snprintf(name, sizeof name, "Bcr%04X", info.param.bcr);
                             return std::string(name);
                         });

TEST_F(BusTest, HaltedOrResetChipLeavesTheOthersFlagsWithinOneCycle) {
    addBoards(3);
    start(0, 1, 1);
    start(1, 2, 1);
    start(2, 3, 1);
    run(3);
    ASSERT_EQ(0b1110u, load64(0, mky43::MFR));
    write(1, mky43::SCR, mky43::kScrHalt);
    EXPECT_FALSE(running(1)) << "a halt takes the running bit at once";
    run(1);
    EXPECT_EQ(0b1010u, load64(0, mky43::MFR));
    EXPECT_EQ(0b1010u, load64(2, mky43::MFR));
    EXPECT_EQ(0u, load64(1, mky43::MFR));
    {
        BoardLock lock(boards[2]->state());
        Chip(boards[2]->window(), boards[2]->state()).setResetLine(true);
    }
    run(1);
    EXPECT_EQ(0b0010u, load64(0, mky43::MFR));
}

TEST_F(BusTest, CounterStationAdvancesEveryCycle) {
    addBoards(1);
    addStation(10, 2, StationRole::Counter);
    start(0, 1, 1);
    run(3);
    std::uint16_t first = load(0, mky43::kGm + 8 * 10);
    for (unsigned w = 1; w < 8; ++w)
        EXPECT_EQ(static_cast<std::uint16_t>(first + w), load(0, mky43::kGm + 8 * 10 + 2 * w)) << w;
    run(4);
    EXPECT_EQ(static_cast<std::uint16_t>(first + 4), load(0, mky43::kGm + 8 * 10));
    EXPECT_EQ(static_cast<std::uint16_t>(first + 4 + 7), load(0, mky43::kGm + 8 * 11 + 6));
}

TEST_F(BusTest, MailFillsBufferZeroThenBufferOneThenFails) {
    addBoards(2);
    start(0, 1, 1);
    start(1, 2, 1);
    run(3);
    arm(1);
    send(0, 2, {0x0102, 0x0304, 0x0506});
    ASSERT_GT(runUntilSent(0), 0);
    EXPECT_EQ(0, load(0, mky43::MESR));
    EXPECT_EQ(0x0181, load(1, mky43::MR0CR)) << "full | 1 unit | source station 1";
    EXPECT_EQ(0x0506, load(1, mky43::kMailReceiveBuffer0 + 4));
    EXPECT_EQ(mky43::kMrcrArmed, load(1, mky43::MR1CR));

    std::vector<std::uint16_t> long_(20, 0xA5A5);
    send(0, 2, long_);
    ASSERT_GT(runUntilSent(0), 0);
    EXPECT_EQ(0, load(0, mky43::MESR));
    EXPECT_EQ(0x0185, load(1, mky43::MR1CR)) << "5 units in buffer 1 while buffer 0 is full";
    EXPECT_EQ(0xA5A5, load(1, mky43::kMailReceiveBuffer1 + 38));
    EXPECT_EQ(0x0181, load(1, mky43::MR0CR)) << "buffer 0 untouched";

    send(0, 2, {0x7777});
    ASSERT_GT(runUntilSent(0), 0);
    EXPECT_EQ(mky43::kMesrNoBuffer, load(0, mky43::MESR));
    EXPECT_EQ(0x0102, load(1, mky43::kMailReceiveBuffer0)) << "a refused mail overwrites nothing";
}

struct FailedMail {
    const char* what;
    unsigned destination;
    std::uint16_t mesr;
};

class MailErrorTest : public BusTest, public ::testing::WithParamInterface<FailedMail> {};

TEST_P(MailErrorTest, SetsTheErrorBitAndEndsTheSend) {
    addBoards(2);
    addStation(10, 2, StationRole::Counter);
    addStation(30, 1, StationRole::Idle);
    start(0, 1, 1);
    start(1, 2, 1);  // running, but never arms a buffer
    run(3);
    send(0, GetParam().destination, {1, 2, 3, 4});
    EXPECT_GT(runUntilSent(0), 14) << "errors come at the end of the transfer";
    EXPECT_EQ(GetParam().mesr, load(0, mky43::MESR));
}

INSTANTIATE_TEST_SUITE_P(Destinations, MailErrorTest,
                         ::testing::Values(FailedMail{"absent", 40, mky43::kMesrNoStation},
                                           FailedMail{"second station of a run", 11, mky43::kMesrNoStation},
                                           FailedMail{"idle", 30, mky43::kMesrNoBuffer},
                                           FailedMail{"counter", 10, mky43::kMesrNoBuffer},
                                           FailedMail{"board without armed buffer", 2, mky43::kMesrNoBuffer}),
                         [](const auto& info) {
                             std::string name = info.param.what;
                             std::erase(name, ' ');
                             return name;
                         });

TEST_F(BusTest, LongMailKeepsBit14ForAtLeast15Ms) {
    addBoards(2);
    start(0, 1, 1);
    start(1, 2, 1);
    run(3);
    arm(1);
    send(0, 2, std::vector<std::uint16_t>(128, 0x4242));
    EXPECT_EQ(0x4220 | (2 << 8), load(0, mky43::MSCR));
    int cycles = runUntilSent(0);
    // Each cycle is 1 ms of model time: the cycle that picks the send up,
    // then the whole duration.
    EXPECT_GE(cycles, 16);
    EXPECT_EQ(static_cast<int>(mailDuration(32, BusTiming{}).count() / 1000) + 1, cycles);
    EXPECT_GT(mailDuration(32, BusTiming{}), mailDuration(1, BusTiming{}));
    EXPECT_EQ(0x01A0, load(1, mky43::MR0CR));
    EXPECT_EQ(0x4242, load(1, mky43::kMailReceiveBuffer0 + 254));
}

class MailClockTest : public BusTest, public ::testing::WithParamInterface<int> {};

TEST_P(MailClockTest, SendEndsAtTheFirstCycleAfterItsDurationHasPassed) {
    addBoards(2);
    start(0, 1, 1);
    start(1, 2, 1);
    run(3);
    arm(1);
    send(0, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9});  // 3 units
    const std::chrono::microseconds step(GetParam());
    bus.cycle(step);  // takes the send up
    std::chrono::microseconds passed{0};
    while (load(0, mky43::MSCR) & mky43::kMscrSending) {
        ASSERT_LT(passed, std::chrono::seconds(1));
        bus.cycle(step);
        passed += step;
    }
    EXPECT_GE(passed, mailDuration(3, BusTiming{}));
    EXPECT_LT(passed - step, mailDuration(3, BusTiming{}));
    EXPECT_EQ(0x0183, load(1, mky43::MR0CR));
}

INSTANTIATE_TEST_SUITE_P(CycleLengths, MailClockTest, ::testing::Values(100, 1000, 3000, 7000, 15750, 40000));

TEST_F(BusTest, EchoReturnsTheMailUnchangedWithItsStation) {
    addBoards(1);
    addStation(20, 1, StationRole::Echo);
    start(0, 1, 1);
    run(3);
    arm(0);
    write(0, mky43::MR0CR, mky43::kMrcrReceived | 1);  // buffer 0 holds an unread mail
    std::vector<std::uint16_t> words{0xCAFE, 0xBEEF, 0x0001, 0x0002, 0x0003};
    send(0, 20, words);
    ASSERT_GT(runUntilSent(0), 0);
    EXPECT_EQ(0, load(0, mky43::MESR));
    int waited = 0;
    while (!(load(0, mky43::MR1CR) & mky43::kMrcrReceived) && waited++ < 100)
        run(1);
    EXPECT_GE(waited, 15) << "the echo's send takes its time too";
    EXPECT_EQ(0x1482, load(0, mky43::MR1CR)) << "full | 2 units | source station 20";
    for (std::size_t i = 0; i < words.size(); ++i)
        EXPECT_EQ(words[i], load(0, mky43::kMailReceiveBuffer1 + 2 * i)) << i;
}

TEST_F(BusTest, StationTakenOffTheBusAndBack) {
    addBoards(2);
    addStation(10, 2, StationRole::Counter);
    addStation(20, 1, StationRole::Echo);
    start(0, 1, 1);
    run(3);
    ASSERT_EQ(StationChange::Done, bus.setStationOnBus(10, false));
    run(1);
    EXPECT_EQ((1ULL << 1) | (1ULL << 20), load64(0, mky43::MFR));
    std::uint16_t frozen = load(0, mky43::kGm + 8 * 10);
    run(2);
    EXPECT_EQ(frozen, load(0, mky43::kGm + 8 * 10)) << "the blocks of a departed member keep their last content";
    send(0, 10, {1});
    ASSERT_GT(runUntilSent(0), 0);
    EXPECT_EQ(mky43::kMesrNoStation, load(0, mky43::MESR));

    start(1, 11, 1);  // takes a station of the departed one
    run(3);
    EXPECT_EQ(StationChange::RangeTaken, bus.setStationOnBus(10, true));
    write(1, mky43::SCR, mky43::kScrHalt);
    run(1);
    EXPECT_EQ(StationChange::Done, bus.setStationOnBus(10, true));
    run(1);
    EXPECT_EQ((1ULL << 1) | (3ULL << 10) | (1ULL << 20), load64(0, mky43::MFR));
    EXPECT_NE(frozen, load(0, mky43::kGm + 8 * 10));
    EXPECT_EQ(StationChange::NoSuchStation, bus.setStationOnBus(11, false));
}

TEST_F(BusTest, SenderOffTheBusOrBadLengthGetsItsOwnErrors) {
    addBoards(2);
    start(1, 2, 1);
    run(3);
    arm(1);
    send(0, 2, {1});  // board 0 never started
    run(1);
    EXPECT_EQ(mky43::kMesrNotRunning, load(0, mky43::MESR));
    EXPECT_EQ(0, load(0, mky43::MSCR) & mky43::kMscrSending);

    start(0, 1, 1);
    run(3);
    send(0, 2, {1});
    run(5);
    write(0, mky43::SCR, mky43::kScrHalt);
    run(1);
    EXPECT_EQ(mky43::kMesrNotRunning, load(0, mky43::MESR)) << "halted mid-transfer";
    EXPECT_EQ(0, load(0, mky43::MSCR) & mky43::kMscrSending);
    EXPECT_EQ(mky43::kMrcrArmed, load(1, mky43::MR0CR)) << "nothing lands";

    start(0, 1, 1);
    run(3);
    write(0, mky43::MESR, 0);
    write(0, mky43::MSCR, 0x4000 | (2 << 8));  // zero units
    ASSERT_GT(runUntilSent(0), 0);
    EXPECT_EQ(mky43::kMesrBadLength, load(0, mky43::MESR));
}

struct BadStation {
    unsigned address, size;
};

class AddStationTest : public BusTest, public ::testing::WithParamInterface<BadStation> {};

TEST_P(AddStationTest, RefusesRunsThatDoNotFitOrOverlap) {
    addStation(10, 4, StationRole::Counter);
    std::string error;
    EXPECT_FALSE(bus.addStation(GetParam().address, GetParam().size, StationRole::Idle, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(1u, bus.status().stations.size());
}

std::string badStationName(const ::testing::TestParamInfo<BadStation>& info) {
    return "At" + std::to_string(info.param.address) + "Size" + std::to_string(info.param.size);
}

INSTANTIATE_TEST_SUITE_P(Runs, AddStationTest,
                         ::testing::Values(BadStation{9, 2}, BadStation{13, 1}, BadStation{0, 64}, BadStation{60, 5},
                                           BadStation{64, 1}, BadStation{5, 0}),
                         badStationName);

TEST_F(BusTest, HazardCommitsAndBusCyclesNeverTearABlock) {
    addBoards(2);
    start(0, 1, 1);
    start(1, 2, 1);
    run(3);
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0}, reads{0}, writes{0};
    std::thread writer([&] {
        for (std::uint16_t n = 1; !stop; ++n) {
            for (unsigned w = 0; w < 4; ++w)
                write(0, mky43::WHPB0 + 2 * w, static_cast<std::uint16_t>(n | 0x8000));
            write(0, mky43::WHCR0, 1);
            ++writes;
        }
    });
    std::thread reader([&] {
        while (!stop) {
            write(1, mky43::RHCR0, 1);
            std::uint16_t first = load(1, mky43::RHPB0);
            for (unsigned w = 1; w < 4; ++w)
                if (load(1, mky43::RHPB0 + 2 * w) != first)
                    ++torn;
            ++reads;
        }
    });
    // Until both threads have done plenty, however the machine schedules
    // them, and then a while longer with both still busy.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((reads < 2000 || writes < 2000) && std::chrono::steady_clock::now() < deadline)
        bus.cycle();
    run(2000);
    stop = true;
    writer.join();
    reader.join();
    EXPECT_EQ(0, torn.load());
    EXPECT_GE(reads.load(), 2000);
    EXPECT_GE(writes.load(), 2000);
    EXPECT_NE(0, load(1, mky43::kGm + 8)) << "the writer's blocks reached the other board";
}

TEST_F(BusTest, ClientKilledHoldingTheLockDoesNotStopTheBus) {
    addBoards(2);
    start(0, 1, 1);
    start(1, 2, 1);
    run(3);
    int ready[2];
    ASSERT_EQ(0, pipe(ready));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        pthread_mutex_lock(&boards[0]->state().lock);
        char c = 1;
        if (::write(ready[1], &c, 1) != 1)
            _exit(1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(1, read(ready[0], &c, 1));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(ready[0]);
    close(ready[1]);
    std::uint16_t before = load(0, mky43::CCTR);
    write(0, mky43::kGm + 8, 0x9999);
    run(2);
    EXPECT_EQ(static_cast<std::uint16_t>(before + 2), load(0, mky43::CCTR));
    EXPECT_EQ(0x9999, load(1, mky43::kGm + 8));
    EXPECT_EQ(1u, boards[0]->state().recoveredLocks);
}

}  // namespace
}  // namespace ravsim
