// One board under the fake kernel: the driver loaded, one device added and
// prepared over memory-backed regions, one client connection open.
#pragma once

#include "chip/Mky43.h"
#include "driver/RavkernIoctl.h"
#include "tests/driver/FakeKernel.h"

#include <string>
#include <vector>

namespace ravkern::fake {

inline constexpr uint64_t kUnusedRangeBase = 0xE0000000;
inline constexpr uint64_t kRegionABase = 0xE1000000;
inline constexpr uint64_t kRegionBBase = 0xE2000000;
inline constexpr uint32_t kRegionALength = 0x1000;
inline constexpr uint32_t kRegionBLength = 8;
inline constexpr int64_t kTick = 100000;  // 10 ms in 100 ns units

ResourceDescriptor memoryDescriptor(uint64_t start, uint32_t length);
// The board's list: an unused range, region A, region B.
KResourceList boardResources();

class BoardRig {
public:
    BoardRig();

    // Loads the driver, adds the device, prepares it and opens one file.
    // False (with the kernel's records telling why) when a step fails.
    bool start();

    ControlResult control(uint32_t code, const std::vector<uint8_t>& input, size_t outputLength);
    ControlResult connect(uint32_t code, const std::string& saText, int32_t slen);
    ControlResult map(int32_t command, uint32_t length, uint64_t userAddress, KFile* on = nullptr);
    ConnectState connectState();

    uint16_t chip(uint32_t offset) { return kernel.peek16(kRegionABase + offset); }
    void setChip(uint32_t offset, uint16_t value) { kernel.poke16(kRegionABase + offset, value); }
    uint16_t boardRegister(uint32_t offset) { return kernel.peek16(kRegionBBase + offset); }
    void setBoardRegister(uint32_t offset, uint16_t value) { kernel.poke16(kRegionBBase + offset, value); }
    // Fills GM, the buffer areas, WHPB0/1 and the registers with a pattern.
    void fillChip(uint16_t pattern);

    void tick(int count = 1);

    FakeKernel kernel;
    KResourceList resources;
    KDevice* device = nullptr;
    KFile* file = nullptr;
};

}  // namespace ravkern::fake
