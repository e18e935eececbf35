// The files of a simulated board: region A holds the chip window and, in the
// page after it, the board's shared state; region B the board control
// registers. Offsets within them are the chip's (chip/Mky43.h).
#pragma once

#include "chip/Mky43.h"

#include <cstddef>

namespace ravsim {

inline constexpr std::size_t kStateOffset = mky43::kWindowSize;
inline constexpr std::size_t kStateSize = 0x1000;
inline constexpr std::size_t kRegionAFileSize = kStateOffset + kStateSize;
inline constexpr std::size_t kRegionBSize = 0x1000;

}  // namespace ravsim
