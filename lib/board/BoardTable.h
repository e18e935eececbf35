// The process's four board slots. Every call holds a counted reference to its
// board, so a close on another thread never frees a board still in use.
#pragma once

#include <cstdint>
#include <memory>

#include "lib/board/BoardCtrl.h"
#include "lib/os/CriticalSection.h"

namespace ravlib {

class BoardTable {
public:
    static constexpr int32_t kSlots = 4;

    constexpr BoardTable() = default;
    BoardTable(const BoardTable&) = delete;
    BoardTable& operator=(const BoardTable&) = delete;

    static bool inRange(int32_t board) { return board >= 0 && board < kSlots; }

    // The open board in the slot, or empty (also while it is being opened).
    std::shared_ptr<BoardCtrl> find(int32_t board) const;

    // Claims an empty slot for an open in progress; false when the slot is
    // taken, by an open board or by another open in progress.
    bool reserve(int32_t board);
    // Ends a reservation: with a board, the slot now holds it open; empty,
    // the slot is free again.
    void fill(int32_t board, std::shared_ptr<BoardCtrl> ctrl);

    // Empties the slot of an open board and hands over the table's
    // reference; empty when no board was open there.
    std::shared_ptr<BoardCtrl> take(int32_t board);

    void clear();

private:
    struct Slot {
        std::shared_ptr<BoardCtrl> board;
        bool reserved = false;
    };
    mutable os::CriticalSection mutex_;
    Slot slots_[kSlots];
};

// The process-wide table. It is never destroyed: unloading empties it before
// static objects go away, whatever order the loader runs those in.
BoardTable& boardTable();

}  // namespace ravlib
