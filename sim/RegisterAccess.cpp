#include "sim/RegisterAccess.h"

#include "chip/Mky43.h"
#include "sim/BoardLock.h"
#include "sim/Chip.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>

namespace ravsim {

namespace {

struct Region {
    std::atomic<std::uintptr_t> base{0};  // published last, cleared first
    std::uintptr_t length = 0;
    RegionKind kind = RegionKind::ChipWindow;
    std::uint8_t* window = nullptr;
    SharedState* state = nullptr;
};

constexpr std::size_t kMaxRegions = 64;
constexpr std::chrono::milliseconds kLockPatience{1000};

std::array<Region, kMaxRegions>& regions() {
    static std::array<Region, kMaxRegions> table;
    return table;
}

std::mutex& tableMutex() {
    static std::mutex m;
    return m;
}

// The region that holds [address, address + 2).
Region* findRegion(std::uintptr_t address) {
    for (Region& r : regions()) {
        std::uintptr_t base = r.base.load(std::memory_order_acquire);
        if (base != 0 && address >= base && address + 2 <= base + r.length)
            return &r;
    }
    return nullptr;
}

}  // namespace

bool attachRegion(void* base, std::size_t length, RegionKind kind, std::uint8_t* window, SharedState* state) {
    std::lock_guard lock(tableMutex());
    for (Region& r : regions()) {
        if (r.base.load(std::memory_order_relaxed) != 0)
            continue;
        r.length = length;
        r.kind = kind;
        r.window = window;
        r.state = state;
        r.base.store(reinterpret_cast<std::uintptr_t>(base), std::memory_order_release);
        return true;
    }
    return false;
}

void detachRegion(void* base) {
    std::lock_guard lock(tableMutex());
    for (Region& r : regions())
        if (r.base.load(std::memory_order_relaxed) == reinterpret_cast<std::uintptr_t>(base))
            r.base.store(0, std::memory_order_release);
}

std::uint16_t read16(const void* base, std::size_t offset) {
    const auto* bytes = static_cast<const std::uint8_t*>(base) + offset;
    std::uint16_t value;
    if (reinterpret_cast<std::uintptr_t>(bytes) % 2 != 0) {
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }
    auto* word = reinterpret_cast<std::uint16_t*>(const_cast<std::uint8_t*>(bytes));
    return std::atomic_ref<std::uint16_t>(*word).load(std::memory_order_relaxed);
}

void write16(void* base, std::size_t offset, std::uint16_t value) {
    auto* bytes = static_cast<std::uint8_t*>(base) + offset;
    auto address = reinterpret_cast<std::uintptr_t>(bytes);
    if (address % 2 != 0) {
        // No register lives at an odd address.
        std::memcpy(bytes, &value, sizeof value);
        return;
    }
    auto* word = reinterpret_cast<std::uint16_t*>(bytes);
    Region* region = findRegion(address);
    if (!region) {
        std::atomic_ref<std::uint16_t>(*word).store(value, std::memory_order_relaxed);
        return;
    }
    std::size_t inRegion = address - region->base.load(std::memory_order_relaxed);
    if (region->kind == RegionKind::ChipWindow && inRegion >= mky43::kWindowSize)
        return;  // the board's shared state is not the writer's to touch
    // A holder that stops (a stopped or hung process) must not stop every
    // writer for good: after the wait the effect is applied regardless.
    BoardLock lock(*region->state, kLockPatience);
    Chip chip(region->window, *region->state);
    if (region->kind == RegionKind::ChipWindow) {
        chip.write(inRegion, value);
        return;
    }
    std::atomic_ref<std::uint16_t>(*word).store(value, std::memory_order_relaxed);
    if (inRegion == mky43::kBoardResetRegister)
        chip.setResetLine((value & mky43::kBoardResetBit) != 0);
}

}  // namespace ravsim
