#include "sim/Bus.h"

#include "sim/BoardLock.h"
#include "sim/Chip.h"

#include <algorithm>

namespace ravsim {

namespace {

constexpr std::chrono::milliseconds kLockTimeout{20};

}  // namespace

void Bus::addBoard(BoardFiles& board)
{
    std::lock_guard lock(mutex_);
    boards_.push_back(&board);
}

void Bus::removeBoard(BoardFiles& board)
{
    std::lock_guard lock(mutex_);
    boards_.erase(std::remove(boards_.begin(), boards_.end(), &board), boards_.end());
}

void Bus::cycle()
{
    std::lock_guard lock(mutex_);
    for (BoardFiles* board : boards_) {
        // A process stuck holding one board's lock costs that board its
        // cycles, not the bus.
        BoardLock boardLock(board->state(), kLockTimeout);
        if (boardLock.held())
            Chip(board->window(), board->state()).cycle();
    }
}

}  // namespace ravsim
