// Clearing the chip window's memory areas with 16-bit stores.
#pragma once

#include "chip/Mky43.h"
#include "driver/kernel.h"

namespace ravkern {

// Zeroes the 16-bit words in [begin, end) of the chip window.
inline void clearChipWords(volatile void* chipBase, uint32_t begin, uint32_t end) {
    for (uint32_t offset = begin; offset < end; offset += 2)
        kernel::writeRegister16(chipBase, offset, 0);
}

// Global memory, the mail send buffer and both mail receive buffers.
inline void clearChipMemory(volatile void* chipBase) {
    clearChipWords(chipBase, mky43::kGm, mky43::kMailSendBufferEnd);
    clearChipWords(chipBase, mky43::kMailReceiveBuffer0, mky43::kMailReceiveBuffersEnd);
}

// The chip memory, when communication stops or starts. A receive buffer
// that held a mail is left armed and empty: its control register would
// otherwise offer the cleared words as that mail.
inline void clearCommunicationMemory(volatile void* chipBase) {
    clearChipMemory(chipBase);
    for (uint32_t control : mky43::kMailReceiveControls)
        if (kernel::readRegister16(chipBase, control) & mky43::kMrcrReceived)
            kernel::writeRegister16(chipBase, control, mky43::kMrcrArmed);
}

// WHPB0 and WHPB1, the last registers in use.
inline void clearWriteHazardBuffers(volatile void* chipBase) {
    clearChipWords(chipBase, mky43::WHPB0, mky43::kRegistersUsedEnd);
}

}  // namespace ravkern
