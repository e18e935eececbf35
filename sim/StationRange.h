// A run of consecutive stations as a 64-bit mask (bit i = station i).
#pragma once

#include <bit>
#include <cstdint>

namespace ravsim {

// Stations address .. address + size - 1; 0 when the run is empty or does
// not fit in 0..63.
constexpr std::uint64_t stationMask(unsigned address, unsigned size) {
    if (size == 0 || address > 63 || address + size > 64)
        return 0;
    std::uint64_t ones = size == 64 ? ~0ULL : ((1ULL << size) - 1);
    return ones << address;
}

// The station a member is addressed by: the first of its run.
constexpr unsigned firstStation(std::uint64_t mask) {
    return static_cast<unsigned>(std::countr_zero(mask));
}

}  // namespace ravsim
