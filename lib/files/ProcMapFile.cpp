// Who holds a slot is told by a lock, not by a process id that can be
// reused: the holder of slot i keeps an exclusive byte-range lock on the
// table's word inUse[i] for as long as it holds the slot, taken before its
// compare-and-swap marks the slot. The lock dies with the process, so a slot
// marked in use whose lock can be taken belongs to a dead process and is
// free again. Claims, releases and the sweep for dead slots run under a lock
// on the count word, and each of them sets `count` to the number of marked
// slots, so the count stays right even after a holder died mid-claim.
#include "lib/files/ProcMapFile.h"

#include <atomic>

namespace ravlib {

namespace {

constexpr std::size_t countOffset = 0;

std::size_t slotOffset(uint32_t slot) {
    return 4 + 4 * static_cast<std::size_t>(slot);
}

}  // namespace

ProcMapFile::~ProcMapFile() {
    releaseSlot();
    closeMap();
}

int32_t* ProcMapFile::word(uint32_t index) const {
    return static_cast<int32_t*>(view()) + index;
}

bool ProcMapFile::holderAlive(uint32_t slot) {
    if (static_cast<int32_t>(slot) == slotNo_)
        return true;
    if (!mapping().tryLockRange(slotOffset(slot), 4))
        return true;
    mapping().unlockRange(slotOffset(slot), 4);
    return false;
}

void ProcMapFile::freeDeadSlots() {
    for (uint32_t i = 0; i < slotCount; ++i) {
        std::atomic_ref<int32_t> inUse(*word(1 + i));
        if (inUse.load() != 0 && !holderAlive(i))
            inUse.store(0);
    }
}

void ProcMapFile::recount() {
    int32_t count = 0;
    for (uint32_t i = 0; i < slotCount; ++i)
        count += std::atomic_ref<int32_t>(*word(1 + i)).load() != 0;
    std::atomic_ref<int32_t>(*word(0)).store(count);
}

bool ProcMapFile::claimSlot() {
    if (!isOpen() || size() < tableSize || slotNo_ >= 0)
        return false;
    bool tableLocked = mapping().lockRange(countOffset, 4);
    freeDeadSlots();
    for (uint32_t i = 0; i < slotCount; ++i) {
        if (!mapping().tryLockRange(slotOffset(i), 4))
            continue;  // a live holder, or a claimer that got here first
        int32_t expected = 0;
        if (std::atomic_ref<int32_t>(*word(1 + i)).compare_exchange_strong(expected, 1)) {
            slotNo_ = static_cast<int32_t>(i);
            break;
        }
        mapping().unlockRange(slotOffset(i), 4);
    }
    recount();
    if (tableLocked)
        mapping().unlockRange(countOffset, 4);
    return slotNo_ >= 0;
}

void ProcMapFile::releaseSlot() {
    if (slotNo_ < 0 || !isOpen())
        return;
    bool tableLocked = mapping().lockRange(countOffset, 4);
    uint32_t slot = static_cast<uint32_t>(slotNo_);
    std::atomic_ref<int32_t>(*word(1 + slot)).store(0);
    slotNo_ = -1;
    mapping().unlockRange(slotOffset(slot), 4);
    freeDeadSlots();
    recount();
    if (tableLocked)
        mapping().unlockRange(countOffset, 4);
}

int32_t ProcMapFile::processCount() {
    if (!isOpen() || size() < tableSize)
        return 0;
    bool tableLocked = mapping().lockRange(countOffset, 4);
    freeDeadSlots();
    recount();
    if (tableLocked)
        mapping().unlockRange(countOffset, 4);
    return std::atomic_ref<int32_t>(*word(0)).load();
}

}  // namespace ravlib
