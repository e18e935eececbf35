// Chip window accesses on the real board: volatile 16-bit loads and stores,
// the chip applies a register's effect itself.
#include "lib/os/ChipAccess.h"

#include <atomic>
#include <thread>

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
    const std::uint16_t value =
        *reinterpret_cast<const volatile std::uint16_t*>(static_cast<const char*>(base) + offset);
    tell(false, base, offset, value);
    return value;
}

void write16(void* base, std::size_t offset, std::uint16_t value) {
    *reinterpret_cast<volatile std::uint16_t*>(static_cast<char*>(base) + offset) = value;
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
