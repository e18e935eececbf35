#include "lib/CommControl.h"

#include <cstdio>

#include "lib/ChipWindow.h"
#include "lib/os/ChipAccess.h"

namespace ravlib {

StationRange clampStation(int32_t address, int32_t size) {
    if (!chip::validStation(address))
        address = chip::STATIONS - 1;
    if (size < 1)
        size = 1;
    else if (static_cast<int64_t>(address) + size > chip::STATIONS)  // a huge size must not overflow
        size = chip::STATIONS - address;
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
    case 3:
        return 0x40;
    case 6:
        return 0x80;
    default:
        return 0xC0;
    }
}

void writeRateBits(std::uint8_t* window, int32_t rateCode) {
    if (!window)
        return;
    const std::uint16_t bcr = os::read16(window, chip::BCR);
    os::write16(window, chip::BCR,
                static_cast<std::uint16_t>((bcr & ~chip::BCR_RATE_MASK & 0xFFFF) | rateBits(rateCode)));
}

}  // namespace ravlib
