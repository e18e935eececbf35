// Countdowns per kind: -1 disarmed, otherwise the creations still to let pass.
#include "lib/os/TestSeams.h"

#include <atomic>

namespace ravlib::os {

namespace {

constexpr int kKinds = static_cast<int>(testing::SyncKind::Count);

std::atomic<int> countdown[kKinds] = {-1, -1, -1, -1};

int slot(testing::SyncKind kind) {
    int index = static_cast<int>(kind);
    return index >= 0 && index < kKinds ? index : -1;
}

}  // namespace

void testing::failNext(SyncKind kind, int skip) {
    int index = slot(kind);
    if (index >= 0)
        countdown[index].store(skip < 0 ? 0 : skip, std::memory_order_release);
}

void testing::clearFailures() {
    for (auto& each : countdown)
        each.store(-1, std::memory_order_release);
}

bool detail::injectedFailure(testing::SyncKind kind) {
    int index = slot(kind);
    if (index < 0)
        return false;
    std::atomic<int>& count = countdown[index];
    int value = count.load(std::memory_order_relaxed);
    while (value >= 0) {
        int next = value == 0 ? -1 : value - 1;
        if (count.compare_exchange_weak(value, next, std::memory_order_acq_rel))
            return value == 0;
    }
    return false;
}

}  // namespace ravlib::os
