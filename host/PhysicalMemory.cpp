#include "host/PhysicalMemory.h"

#include "sim/BoardFiles.h"
#include "sim/ChipMap.h"
#include "sim/RegisterAccess.h"

#include <algorithm>
#include <sys/mman.h>

namespace ravhost {

PhysicalMemory& PhysicalMemory::instance() {
    static PhysicalMemory memory;
    return memory;
}

void PhysicalMemory::addRange(const PhysicalRange& range) {
    std::lock_guard lock(mutex_);
    ranges_.push_back(range);
}

void PhysicalMemory::removeRanges(int fd) {
    std::lock_guard lock(mutex_);
    std::erase_if(ranges_, [fd](const PhysicalRange& r) { return r.fd == fd; });
}

void* PhysicalMemory::map(std::uint64_t physicalAddress, std::size_t length) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(ranges_.begin(), ranges_.end(),
                           [&](const PhysicalRange& r) { return r.start == physicalAddress; });
    if (it == ranges_.end() || length == 0 || length > it->length || it->kind == RangeKind::Unbacked)
        return nullptr;
    Mapping mapping{nullptr, 0, length, *it};
    if (it->kind == RangeKind::ChipWindow) {
        mapping.address = ravsim::mapChipWindow(it->fd);
        mapping.mappedLength = ravsim::kRegionAFileSize;
    } else {
        void* p = mmap(nullptr, ravsim::kRegionBSize, PROT_READ | PROT_WRITE, MAP_SHARED, it->fd, 0);
        if (p != MAP_FAILED && !ravsim::attachRegion(p, ravsim::kRegionBSize, ravsim::RegionKind::BoardControl,
                                                     it->boardWindow, it->state)) {
            munmap(p, ravsim::kRegionBSize);
            p = MAP_FAILED;
        }
        mapping.address = p == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(p);
        mapping.mappedLength = ravsim::kRegionBSize;
    }
    if (!mapping.address)
        return nullptr;
    mappings_.push_back(mapping);
    return mapping.address;
}

void PhysicalMemory::unmap(void* address, std::size_t length) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(mappings_.begin(), mappings_.end(),
                           [&](const Mapping& m) { return m.address == address && m.length == length; });
    if (it == mappings_.end())
        return;
    if (it->range.kind == RangeKind::ChipWindow) {
        ravsim::unmapChipWindow(it->address);
    } else {
        ravsim::detachRegion(it->address);
        munmap(it->address, it->mappedLength);
    }
    mappings_.erase(it);
}

bool PhysicalMemory::chipWindowAt(const void* address, int& fd, std::size_t& length) {
    std::lock_guard lock(mutex_);
    for (const Mapping& m : mappings_) {
        if (m.address == address && m.range.kind == RangeKind::ChipWindow) {
            fd = m.range.fd;
            length = m.length;
            return true;
        }
    }
    return false;
}

}  // namespace ravhost
