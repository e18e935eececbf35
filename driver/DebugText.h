// Expands a driver debug text with its one status argument, the way the
// debugger shows it: for hosts that print the texts of debugPrintEx.
#pragma once

#include "driver/kernel.h"

#include <cstddef>

namespace ravkern {

// Writes the expanded text, NUL-terminated and cut to fit, into out[size];
// returns its length. "%d" gives decimal, "%X" upper-case hex, "%!STATUS!" and
// any other '%' sequence stay as they stand.
size_t formatDebugText(char* out, size_t size, const char* format, NTSTATUS status);

}  // namespace ravkern
