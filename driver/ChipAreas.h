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

// The chip memory, when communication stops or starts. A receive buffer
// that held a mail is left armed and empty: its control register would
// otherwise offer the cleared words as that mail.
inline void clearCommunicationMemory(volatile void* chipBase)
{
    clearChipMemory(chipBase);
    const uint32_t controls[] = {chip::MR0CR, chip::MR1CR};
    for (uint32_t control : controls)
        if (kernel::readRegister16(chipBase, control) & chip::kMrcrReceived)
            kernel::writeRegister16(chipBase, control, chip::kMrcrArmed);
}

inline void clearWriteHazardBuffers(volatile void* chipBase)
{
    clearChipWords(chipBase, chip::WHPB0, chip::kWriteHazardBuffersEnd);
}

}  // namespace ravkern
