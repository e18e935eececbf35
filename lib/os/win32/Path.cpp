#include "lib/os/Path.h"

#include <cstring>
#include <windows.h>

namespace ravlib::os {

bool fullPath(const char* name, char* out, std::size_t outSize) {
    if (name == nullptr || *name == '\0' || out == nullptr || outSize == 0)
        return false;
    char result[MAX_PATH * 4];
    DWORD length = GetFullPathNameA(name, sizeof result, result, nullptr);
    if (length == 0 || length >= sizeof result || length + 1 > outSize)
        return false;
    std::memcpy(out, result, length + 1);
    return true;
}

}  // namespace ravlib::os
