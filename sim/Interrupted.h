// A system call made again when a signal interrupts it (EINTR), for every
// process of the system: the host, the simulated hardware and the library's
// platform layer.
#pragma once

#include <cerrno>

namespace ravsim {

// Calls `call` until it does not fail with EINTR; returns its last result.
// `call` returns a negative value when it fails, as system calls do.
template <typename Call>
auto retryInterrupted(Call call) {
    auto result = call();
    while (result < 0 && errno == EINTR)
        result = call();
    return result;
}

}  // namespace ravsim
