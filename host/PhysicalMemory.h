// The simulated machine's physical address space: which board file backs
// which range, and the mappings the driver made of them.
#pragma once

#include "sim/SharedState.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace ravhost {

enum class RangeKind { Unbacked, ChipWindow, BoardControl };

struct PhysicalRange {
    std::uint64_t start = 0;
    std::uint32_t length = 0;
    RangeKind kind = RangeKind::Unbacked;
    int fd = -1;                          // the board file behind it
    std::uint8_t* boardWindow = nullptr;  // the board's chip window, for control effects
    ravsim::SharedState* state = nullptr;
};

class PhysicalMemory {
public:
    static PhysicalMemory& instance();

    void addRange(const PhysicalRange& range);
    void removeRanges(int fd);

    // Maps a whole backed range, or a prefix of it, starting at its start.
    // Null for anything else.
    void* map(std::uint64_t physicalAddress, std::size_t length);
    void unmap(void* address, std::size_t length);

    // The chip-window range whose mapping starts at `address`, for views.
    bool chipWindowAt(const void* address, int& fd, std::size_t& length);

private:
    struct Mapping {
        std::uint8_t* address;
        std::size_t mappedLength;
        std::size_t length;
        PhysicalRange range;
    };

    std::mutex mutex_;
    std::vector<PhysicalRange> ranges_;
    std::vector<Mapping> mappings_;
};

}  // namespace ravhost
