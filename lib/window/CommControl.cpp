#include "lib/window/CommControl.h"

#include <cstdio>

#include "chip/Mky43.h"
#include "lib/os/ChipAccess.h"

namespace ravlib {

StationRange clampStation(int32_t address, int32_t size) {
    if (!mky43::validStation(address))
        address = mky43::kStations - 1;
    if (size < 1)
        size = 1;
    else if (static_cast<int64_t>(address) + size > mky43::kStations)  // a huge size must not overflow
        size = mky43::kStations - address;
    return {address, size};
}

ravkern::ConnectRequest connectRequest(int32_t address, int32_t size) {
    ravkern::ConnectRequest request = {};
    std::snprintf(request.saText, sizeof request.saText, "%d", address);
    request.slen = size;
    return request;
}

std::uint16_t rateBits(int32_t rateCode) {
    switch (rateCode) {
    case 3: return 0x40;
    case 6: return 0x80;
    default: return 0xC0;
    }
}

void writeRateBits(std::uint8_t* window, int32_t rateCode) {
    if (!window)
        return;
    const std::uint16_t bcr = os::read16(window, mky43::BCR);
    os::write16(window, mky43::BCR,
                static_cast<std::uint16_t>((bcr & ~mky43::kBcrRateMask & 0xFFFF) | rateBits(rateCode)));
}

}  // namespace ravlib
