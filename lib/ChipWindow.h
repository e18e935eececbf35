// The parts of the chip window the library reaches: GM at its start, the
// GM hazard registers, the check counter and the bus configuration register.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ravlib::chip {

inline constexpr std::size_t WINDOW_BYTES = 0x1000;
inline constexpr std::size_t GM_BYTES = 0x200;
inline constexpr std::size_t BLOCK_BYTES = 8;
inline constexpr std::size_t BLOCK_WORDS = 4;

inline constexpr std::size_t RHCR0 = 0x338;  // GM read address: loads RHPB0
inline constexpr std::size_t WHCR0 = 0x33C;  // GM write address: takes WHPB0
inline constexpr std::size_t CCTR = 0x34C;   // check code
inline constexpr std::size_t BCR = 0x356;    // station address, size and rate bits
inline constexpr std::size_t RHPB0 = 0x370;  // GM read buffer, four words
inline constexpr std::size_t WHPB0 = 0x380;  // GM write buffer, four words

inline constexpr std::uint16_t BCR_RATE_MASK = 0x00C0;

}  // namespace ravlib::chip
