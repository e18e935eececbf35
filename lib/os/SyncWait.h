// Results and time-outs of waits on named objects, with the values the
// Windows waits use, so that callers see the same numbers on every platform.
#pragma once

#include <cstdint>

namespace ravlib::os {

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;

inline constexpr std::uint32_t kWaitObject0 = 0;       // object 0 signalled; object i gives i
inline constexpr std::uint32_t kWaitAbandoned = 0x80;  // taken over from a holder that died
inline constexpr std::uint32_t kWaitTimeout = 0x102;
inline constexpr std::uint32_t kWaitFailed = 0xFFFFFFFF;

}  // namespace ravlib::os
