#include "lib/window/RegisterAccess.h"

#include "chip/Mky43.h"
#include "lib/Ravlib.h"
#include "lib/os/ChipAccess.h"

namespace ravlib {

int32_t RegisterAccess::refusal(std::uint16_t offset, int width) const {
    if (!window_)
        return MKY43_ER_UNCONNECT;
    if (static_cast<std::size_t>(offset) + width > mky43::kWindowSize)
        return MKY43_ER_INVALIDPARAM;
    return MKY43_ER_OK;
}

int32_t RegisterAccess::read(std::uint16_t offset, int width, std::uint64_t* value) const {
    if (const int32_t refused = refusal(offset, width))
        return refused;
    std::uint64_t assembled = 0;
    for (int w = 0; w < width / 2; ++w)
        assembled |= static_cast<std::uint64_t>(os::read16(window_, offset + 2u * w)) << (16 * w);
    *value = assembled;
    return MKY43_ER_OK;
}

int32_t RegisterAccess::write(std::uint16_t offset, int width, std::uint64_t value) const {
    if (const int32_t refused = refusal(offset, width))
        return refused;
    for (int w = 0; w < width / 2; ++w)
        os::write16(window_, offset + 2u * w, static_cast<std::uint16_t>(value >> (16 * w)));
    return MKY43_ER_OK;
}

}  // namespace ravlib
