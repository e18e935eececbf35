// This process's slot in the table of processes that have the library
// loaded ("RavlibLog.Map"): the slot number names the process's log files.
#pragma once

#include "lib/files/MapFile.h"

#include <cstdint>

namespace ravlib {

class ProcMapFile : public MapFile {
public:
    // Table layout: int32 count, then int32 inUse[256].
    static constexpr uint32_t slotCount = 256;
    static constexpr uint32_t tableSize = 4 + 4 * slotCount;

    ProcMapFile() noexcept = default;
    ~ProcMapFile() override;

    // Takes the lowest slot that is free or whose holder has died. False
    // when no table is mapped, a slot is already held or all are taken.
    bool claimSlot();
    void releaseSlot();
    int32_t slotNo() const { return slotNo_; }

    // Processes holding a slot now (slots of dead holders are freed first);
    // 0 when no table is mapped.
    int32_t processCount();

private:
    int32_t* word(uint32_t index) const;
    bool holderAlive(uint32_t slot);
    void freeDeadSlots();
    void recount();

    int32_t slotNo_ = -1;
};

}  // namespace ravlib
