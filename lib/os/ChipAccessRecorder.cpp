// The test recorder of chip accesses, the same on every platform: each
// platform's read16 and write16 tell it what they did.
#include "lib/os/ChipAccess.h"

#include <atomic>
#include <thread>

namespace ravlib::os {

namespace {

std::atomic<testing::ChipAccessRecorder*> recorder{nullptr};
// Calls into a recorder under way, so that replacing it waits for them.
std::atomic<int> telling{0};

}  // namespace

void tellChipAccess(bool write, const void* base, std::size_t offset, std::uint16_t value) {
    if (!recorder.load(std::memory_order_relaxed))
        return;
    telling.fetch_add(1);
    if (testing::ChipAccessRecorder* r = recorder.load())
        r->seen({write, base, offset, value});
    telling.fetch_sub(1);
}

namespace testing {

void recordChipAccess(ChipAccessRecorder* r) {
    recorder.store(r);
    while (telling.load() != 0)
        std::this_thread::yield();
}

}  // namespace testing

}  // namespace ravlib::os
