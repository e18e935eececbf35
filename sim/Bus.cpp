#include "sim/Bus.h"

#include "sim/BoardLock.h"
#include "sim/Chip.h"

#include <algorithm>

namespace ravsim {

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
        BoardLock boardLock(board->state());
        Chip(board->window(), board->state()).cycle();
    }
}

}  // namespace ravsim
