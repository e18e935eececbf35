// The Ravel bus that links the simulated chips. Whoever owns the clock calls
// cycle() once per bus cycle; tests call it directly to step time.
#pragma once

#include "sim/BoardFiles.h"

#include <mutex>
#include <vector>

namespace ravsim {

class Bus {
public:
    // The board stays owned by the caller and must outlive its membership.
    void addBoard(BoardFiles& board);
    void removeBoard(BoardFiles& board);

    // One bus cycle for every chip, each under its board's lock; a board whose
    // lock is not free within 20 ms misses the cycle.
    void cycle();

private:
    std::mutex mutex_;
    std::vector<BoardFiles*> boards_;
};

}  // namespace ravsim
