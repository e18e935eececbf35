#include "sim/RegisterAccess.h"
#include "chip/Mky43.h"
#include "sim/BoardFiles.h"
#include "sim/BoardLock.h"
#include "sim/ChipMap.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ravsim {
namespace {

class RegisterAccessTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        board = BoardFiles::create(box.runtime(), 0, 0x2A, 2, error);
        ASSERT_TRUE(board) << error;
    }
    void TearDown() override { board.reset(); }

    // Runs fn in a child process and returns its exit status.
    template <typename Fn>
    int inChild(Fn fn) {
        pid_t pid = fork();
        if (pid == 0)
            _exit(fn());
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    ravtest::Sandbox box{ravtest::Sandbox::Entry::KeepOut};
    std::unique_ptr<BoardFiles> board;
};

TEST_F(RegisterAccessTest, SwitchIsInHighByteOfControlOffset6) {
    EXPECT_EQ(0x2A00, read16(board->control(), mky43::kBoardSwitchRegister));
}

TEST_F(RegisterAccessTest, WriteOnPlainMemoryIsAPlainStore) {
    alignas(8) std::uint8_t memory[mky43::kWindowSize] = {};
    std::memset(memory, 0x11, 8);
    write16(memory, mky43::RHCR0, 0);
    EXPECT_EQ(0, read16(memory, mky43::RHCR0));
    EXPECT_EQ(0, read16(memory, mky43::RHPB0)) << "no hazard effect outside a board";
}

TEST_F(RegisterAccessTest, HazardCommitInOneProcessIsSeenByAnother) {
    std::uint8_t* view = mapChipWindow(board->regionAFd());
    ASSERT_NE(nullptr, view);
    write16(view, mky43::WHPB0, 0x1111);
    write16(view, mky43::WHPB0 + 2, 0x2222);
    write16(view, mky43::WHPB0 + 4, 0x3333);
    write16(view, mky43::WHPB0 + 6, 0x4444);
    int fd = board->regionAFd();
    int rc = inChild([fd] {
        std::uint8_t* child = mapChipWindow(fd);
        if (!child)
            return 10;
        write16(child, mky43::WHCR0, 5);  // commit WHPB0 into block 5
        write16(child, mky43::RHCR1, 5);  // and read it back through RHPB1
        return read16(child, mky43::RHPB1 + 6) == 0x4444 ? 0 : 11;
    });
    EXPECT_EQ(0, rc);
    EXPECT_EQ(0x1111, read16(view, 5 * 8));
    EXPECT_EQ(0x4444, read16(view, 5 * 8 + 6));
    unmapChipWindow(view);
}

TEST_F(RegisterAccessTest, ResetBitWrittenThroughControlRegionResetsTheChip) {
    std::uint8_t* view = mapChipWindow(board->regionAFd());
    ASSERT_NE(nullptr, view);
    void* control = mmap(nullptr, kRegionBSize, PROT_READ | PROT_WRITE, MAP_SHARED, board->regionBFd(), 0);
    ASSERT_NE(MAP_FAILED, control);
    ASSERT_TRUE(attachRegion(control, kRegionBSize, RegionKind::BoardControl, board->window(), &board->state()));

    write16(view, mky43::BCR, 0x0203);
    write16(control, mky43::kBoardResetRegister,
            static_cast<std::uint16_t>(read16(control, mky43::kBoardResetRegister) | mky43::kBoardResetBit));
    EXPECT_TRUE(board->state().inReset);
    EXPECT_EQ(0, read16(view, mky43::BCR));
    write16(control, mky43::kBoardResetRegister, 0);
    EXPECT_FALSE(board->state().inReset);
    EXPECT_EQ(0x2A00, read16(control, mky43::kBoardSwitchRegister)) << "the switch is not touched by a reset";

    detachRegion(control);
    munmap(control, kRegionBSize);
    unmapChipWindow(view);
}

TEST_F(RegisterAccessTest, StrayWritesCannotReachTheBoardLock) {
    std::uint8_t* view = mapChipWindow(board->regionAFd());
    ASSERT_NE(nullptr, view);
    std::vector<std::uint8_t> before(view + kStateOffset, view + kRegionAFileSize);
    for (std::size_t offset = kStateOffset; offset < kRegionAFileSize; offset += 2)
        write16(view, offset, 0xFFFF);
    EXPECT_EQ(before, std::vector<std::uint8_t>(view + kStateOffset, view + kRegionAFileSize));
    write16(view, mky43::RHCR0, 3);
    EXPECT_EQ(0u, board->state().recoveredLocks) << "the lock still works as a lock";
    unmapChipWindow(view);
}

TEST_F(RegisterAccessTest, OddAddressIsAPlainStoreWithoutEffect) {
    std::uint8_t* view = mapChipWindow(board->regionAFd());
    ASSERT_NE(nullptr, view);
    write16(view, 5 * 8, 0x1111);
    write16(view, mky43::RHCR0 + 1, 0x0500);  // bytes 0x339-0x33A: no block is loaded
    EXPECT_EQ(0x0500, read16(view, mky43::RHCR0 + 1));
    EXPECT_EQ(0, read16(view, mky43::RHPB0));
    unmapChipWindow(view);
}

TEST_F(RegisterAccessTest, DescriptorOfAnotherFileIsNoChipWindow) {
    EXPECT_EQ(nullptr, mapChipWindow(board->regionBFd()));
    EXPECT_EQ(nullptr, mapChipWindow(-1));
}

TEST_F(RegisterAccessTest, HolderThatDiesDoesNotBlockTheBoard) {
    int fd = board->regionAFd();
    int rc = inChild([fd] {
        std::uint8_t* child = mapChipWindow(fd);
        if (!child)
            return 10;
        auto* state = reinterpret_cast<SharedState*>(child + kStateOffset);
        pthread_mutex_lock(&state->lock);
        _exit(0);  // dies holding the lock
    });
    ASSERT_EQ(0, rc);
    std::uint8_t* view = mapChipWindow(board->regionAFd());
    ASSERT_NE(nullptr, view);
    write16(view, mky43::RHCR0, 0);
    EXPECT_EQ(1u, board->state().recoveredLocks);
    write16(view, mky43::RHCR0, 1);
    EXPECT_EQ(1u, board->state().recoveredLocks);
    unmapChipWindow(view);
}

TEST_F(RegisterAccessTest, HolderThatNeverLetsGoDelaysButDoesNotStopAWriter) {
    std::uint8_t* view = mapChipWindow(board->regionAFd());
    ASSERT_NE(nullptr, view);
    write16(view, 4 * 8, 0x4444);
    std::atomic<bool> locked{false}, release{false};
    std::thread holder([&] {
        BoardLock lock(board->state());
        locked = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    while (!locked)
        std::this_thread::yield();
    write16(view, mky43::RHCR0, 4);
    release = true;
    holder.join();
    EXPECT_EQ(0x4444, read16(view, mky43::RHPB0));
    unmapChipWindow(view);
}

TEST_F(RegisterAccessTest, DetachedWindowIsPlainMemoryAgain) {
    std::uint8_t* view = mapChipWindow(board->regionAFd());
    ASSERT_NE(nullptr, view);
    write16(view, 8, 0x7777);
    detachRegion(view);
    write16(view, mky43::RHCR0, 1);
    EXPECT_EQ(0, read16(view, mky43::RHPB0));
    munmap(view, kRegionAFileSize);
}

}  // namespace
}  // namespace ravsim
