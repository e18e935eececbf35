// Chip window accesses on the simulated board: the sim's accessors apply a
// register's synchronous effect in this process.
#include "lib/os/ChipAccess.h"

#include <atomic>

#include "sim/RegisterAccess.h"

namespace ravlib::os {

namespace {

std::atomic<testing::ChipAccessRecorder*> recorder{nullptr};

void tell(bool write, const void* base, std::size_t offset, std::uint16_t value) {
    if (testing::ChipAccessRecorder* r = recorder.load(std::memory_order_acquire))
        r->seen({write, base, offset, value});
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
    recorder.store(r, std::memory_order_release);
}

}  // namespace testing

}  // namespace ravlib::os
