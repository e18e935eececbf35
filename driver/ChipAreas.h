// Clearing the chip window's memory areas with 16-bit stores.
#pragma once

#include "driver/ChipRegisters.h"
#include "driver/kernel.h"

namespace ravkern {

// Zeroes the 16-bit words in [begin, end) of the chip window.
inline void clearChipWords(volatile void* chipBase, uint32_t begin, uint32_t end)
{
    for (uint32_t offset = begin; offset < end; offset += 2)
        kernel::writeRegister16(chipBase, offset, 0);
}

// Global memory, the mail send buffer and both mail receive buffers.
inline void clearChipMemory(volatile void* chipBase)
{
    clearChipWords(chipBase, chip::kGlobalMemory, chip::kMailSendBufferEnd);
    clearChipWords(chipBase, chip::kMailReceiveBuffer0, chip::kMailReceiveBuffersEnd);
}

inline void clearWriteHazardBuffers(volatile void* chipBase)
{
    clearChipWords(chipBase, chip::WHPB0, chip::kWriteHazardBuffersEnd);
}

}  // namespace ravkern
