// Chip window accesses on the simulated board: the sim's accessors apply a
// register's synchronous effect in this process.
#include "lib/os/ChipAccess.h"

#include <atomic>
#include <thread>

#include "sim/RegisterAccess.h"

namespace ravlib::os {

namespace {

std::atomic<testing::ChipAccessRecorder*> recorder{nullptr};
// Calls into a recorder under way, so that replacing it waits for them.
std::atomic<int> telling{0};

void tell(bool write, const void* base, std::size_t offset, std::uint16_t value) {
    if (!recorder.load(std::memory_order_relaxed))
        return;
    telling.fetch_add(1);
    if (testing::ChipAccessRecorder* r = recorder.load())
        r->seen({write, base, offset, value});
    telling.fetch_sub(1);
}

}  // namespace

std::uint16_t read16(const void* base, std::size_t offset) {
    const std::uint16_t value = ravsim::read16(base, offset);
    tell(false, base, offset, value);
    return value;
}

void write16(void* base, std::size_t offset, std::uint16_t value) {
    ravsim::write16(base, offset, value);
    tell(true, base, offset, value);
}

namespace testing {

void recordChipAccess(ChipAccessRecorder* r) {
    recorder.store(r);
    while (telling.load() != 0)
        std::this_thread::yield();
}

}  // namespace testing

}  // namespace ravlib::os
