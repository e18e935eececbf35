// A run of consecutive stations as a 64-bit mask (bit i = station i), and the
// mail register bits the bus uses.
#pragma once

#include <bit>
#include <cstdint>

namespace ravsim {

// Stations address .. address + size - 1; 0 when the run is empty or does
// not fit in 0..63.
constexpr std::uint64_t stationMask(unsigned address, unsigned size)
{
    if (size == 0 || address > 63 || address + size > 64)
        return 0;
    std::uint64_t ones = size == 64 ? ~0ULL : ((1ULL << size) - 1);
    return ones << address;
}

// The station a member is addressed by: the first of its run.
constexpr unsigned firstStation(std::uint64_t mask)
{
    return static_cast<unsigned>(std::countr_zero(mask));
}

inline constexpr std::uint16_t kMscrSending = 0x4000;
inline constexpr std::uint16_t kMscrUnits = 0x003F;
inline constexpr std::uint16_t kMrArmed = 0x0040;
inline constexpr std::uint16_t kMrFull = 0x0080;

// MESR error bits the bus sets; it never clears them (the sender writes 0).
inline constexpr std::uint16_t kMesrNoMember = 0x0001;
inline constexpr std::uint16_t kMesrNoBuffer = 0x0002;
inline constexpr std::uint16_t kMesrOffBus = 0x0004;
inline constexpr std::uint16_t kMesrBadLength = 0x0020;

}  // namespace ravsim
