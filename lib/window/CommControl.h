// The pieces of starting a board's communication that need no driver: the
// clamped station range, the connect request, and the rate bits of BCR.
#pragma once

#include <cstdint>

#include "driver/RavkernIoctl.h"

namespace ravlib {

struct StationRange {
    int32_t address;
    int32_t size;
};

// Address outside 0..63 becomes 63; size below 1 becomes 1, and a range
// past station 63 is cut to end there.
StationRange clampStation(int32_t address, int32_t size);

// The address as decimal text, and the size.
ravkern::ConnectRequest connectRequest(int32_t address, int32_t size);

// BCR bits 7 and 6 for a rate code: 3, 6, and 12 for every other code.
std::uint16_t rateBits(int32_t rateCode);

// Puts the rate bits into BCR (read, change bits 7 and 6, write back);
// nothing without a window.
void writeRateBits(std::uint8_t* window, int32_t rateCode);

}  // namespace ravlib
