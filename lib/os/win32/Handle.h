// Handles kept in the platform layer's integer fields. Windows uses 32-bit
// handle values in 64-bit processes too, so truncating one and
// sign-extending it back is safe; the invalid handle (-1) stays negative.
#pragma once

#include <cstdint>
#include <windows.h>

namespace ravlib::os::win32 {

inline int toInt(HANDLE handle) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(handle));
}

inline HANDLE toHandle(long long value) {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(static_cast<std::int32_t>(value)));
}

}  // namespace ravlib::os::win32
