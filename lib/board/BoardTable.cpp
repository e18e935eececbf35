#include "lib/board/BoardTable.h"

#include <utility>

namespace ravlib {

std::shared_ptr<BoardCtrl> BoardTable::find(int32_t board) const {
    if (!inRange(board))
        return {};
    std::lock_guard lock(mutex_);
    return slots_[board].board;
}

bool BoardTable::reserve(int32_t board) {
    if (!inRange(board))
        return false;
    std::lock_guard lock(mutex_);
    Slot& slot = slots_[board];
    if (slot.reserved || slot.board)
        return false;
    slot.reserved = true;
    return true;
}

void BoardTable::fill(int32_t board, std::shared_ptr<BoardCtrl> ctrl) {
    if (!inRange(board))
        return;
    std::lock_guard lock(mutex_);
    Slot& slot = slots_[board];
    if (!slot.reserved)
        return;
    slot.reserved = false;
    slot.board = std::move(ctrl);
}

std::shared_ptr<BoardCtrl> BoardTable::take(int32_t board) {
    if (!inRange(board))
        return {};
    std::lock_guard lock(mutex_);
    return std::exchange(slots_[board].board, nullptr);
}

void BoardTable::clear() {
    std::shared_ptr<BoardCtrl> dropped[kSlots];
    {
        std::lock_guard lock(mutex_);
        for (int32_t i = 0; i < kSlots; ++i) {
            dropped[i] = std::exchange(slots_[i].board, nullptr);
            slots_[i].reserved = false;
        }
    }
}

namespace {
union TableStorage {
    BoardTable table;
    constexpr TableStorage() : table() {}
    ~TableStorage() {}
};
constinit TableStorage storage;
}  // namespace

BoardTable& boardTable() {
    return storage.table;
}

}  // namespace ravlib
