// Full path of a file name against the process's current directory.
#pragma once

#include <cstddef>

namespace ravlib::os {

// Writes the absolute, lexically normalised path of `name` into `out`
// (NUL-terminated). False, with `out` untouched, when the name is empty, the
// current directory cannot be read or the result does not fit `outSize`.
bool fullPath(const char* name, char* out, std::size_t outSize);

}  // namespace ravlib::os
