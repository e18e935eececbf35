// Prepare and release hardware: the board's two memory regions, the chip reset
// and the timer of the connect sequence.
#include "driver/ChipAreas.h"
#include "driver/DeviceExtension.h"

namespace ravkern {

namespace {

constexpr uint32_t kRegionAIndex = 1;  // memory descriptors counted from 0
constexpr uint32_t kRegionBIndex = 2;
constexpr int64_t kOneMillisecond = -10000;
constexpr int64_t kTenMilliseconds = -100000;

// Fills region from the memory descriptor whose count among memory descriptors
// is memoryIndex; false when the list holds no such descriptor.
bool findMemoryResource(const KResourceList* resources, uint32_t memoryIndex, BoardRegion& region) {
    const uint32_t count = kernel::resourceListGetCount(resources);
    uint32_t memoryCount = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const ResourceDescriptor* descriptor = kernel::resourceListGetDescriptor(resources, i);
        if (descriptor == nullptr) {
            debugPrint("WdfResourceCmGetDescriptor \n");
            return false;
        }
        if (descriptor->type != CmResourceTypeMemory)
            continue;
        if (memoryCount == memoryIndex) {
            region.physicalAddress = descriptor->start;
            region.length = descriptor->length;
            region.flags = descriptor->flags;
            return true;
        }
        ++memoryCount;
    }
    return false;
}

// Maps the region uncached. A set flags bit 0 does not stop the mapping: the
// driver needs both regions as memory.
NTSTATUS mapRegion(BoardRegion& region) {
    region.mapped = false;
    void* address = kernel::mapIoSpace(region.physicalAddress, region.length);
    if (address == nullptr) {
        debugPrint("MapIoAddress MmMapIoSpace failed (possibly out of PTEs)\n");
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    region.virtualAddress = address;
    region.mapped = true;
    return STATUS_SUCCESS;
}

void unmapRegion(BoardRegion& region) {
    if (!region.mapped)
        return;
    kernel::unmapIoSpace(const_cast<void*>(region.virtualAddress), region.length);
    region.virtualAddress = nullptr;
    region.mapped = false;
}

void pulseChipReset(volatile void* regionB, int64_t settle) {
    const uint16_t control = kernel::readRegister16(regionB, mky43::kBoardResetRegister);
    kernel::writeRegister16(regionB, mky43::kBoardResetRegister,
                            static_cast<uint16_t>(control | mky43::kBoardResetBit));
    kernel::delayExecutionThread(kOneMillisecond);
    const uint16_t held = kernel::readRegister16(regionB, mky43::kBoardResetRegister);
    kernel::writeRegister16(regionB, mky43::kBoardResetRegister, static_cast<uint16_t>(held & ~mky43::kBoardResetBit));
    kernel::delayExecutionThread(settle);
}

void InitializeBoard(KDevice* device, DEVICE_EXTENSION& ext) {
    pulseChipReset(ext.regionB.virtualAddress, kTenMilliseconds);
    clearChipMemory(ext.regionA.virtualAddress);

    ext.chipBase = ext.regionA.virtualAddress;
    ext.seqState.store(0);
    ext.seqWait = 0;
    ext.timerEnabled.store(true);

    ext.tickTimer = kernel::timerInitialize(device);
    ext.timerDpc = kernel::dpcInitialize(device, tickRoutine, &ext);
}

// Stops the tick chain for good. A routine that read timerEnabled before it
// was cleared may arm the timer once more while the first cancel runs, so
// cancel and remove twice: after the first remove no routine that saw the
// timer enabled is left, after the second nothing is armed, queued or running.
void stopTicks(DEVICE_EXTENSION& ext) {
    ext.timerEnabled.store(false);
    if (ext.tickTimer == nullptr)
        return;
    for (int pass = 0; pass < 2; ++pass) {
        kernel::timerCancel(ext.tickTimer);
        kernel::dpcRemove(ext.timerDpc);
    }
}

}  // namespace

void hardResetChip(DEVICE_EXTENSION& ext) {
    pulseChipReset(ext.regionB.virtualAddress, kOneMillisecond);
}

NTSTATUS prepareHardware(KDevice* device, const KResourceList*, const KResourceList* translated) {
    DEVICE_EXTENSION& ext = *deviceExtension(device);

    if (!findMemoryResource(translated, kRegionAIndex, ext.regionA)) {
        debugPrint("OrloPnpSetupDeviceResources: Missing memory resource 0\n");
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    if (!findMemoryResource(translated, kRegionBIndex, ext.regionB)) {
        debugPrint("OrloPnpSetupDeviceResources: Missing memory resource 1\n");
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    // The driver and its clients reach up to these offsets; a shorter region
    // would put their stores outside it.
    if (ext.regionA.length < mky43::kWindowSize) {
        debugPrint("OrloPnpSetupDeviceResources: memory resource 0 too small\n");
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    if (ext.regionB.length < mky43::kBoardControlSize) {
        debugPrint("OrloPnpSetupDeviceResources: memory resource 1 too small\n");
        return STATUS_INSUFFICIENT_RESOURCES;
    }

    NTSTATUS status = mapRegion(ext.regionA);
    if (!NT_SUCCESS(status)) {
        debugPrint("OrloPnpSetupDeviceResources: MapIoAddress Failed (memory region 2), status(0x%X)\n", status);
        return status;
    }
    status = mapRegion(ext.regionB);
    if (!NT_SUCCESS(status)) {
        debugPrint("OrloPnpSetupDeviceResources: MapIoAddress Failed (memory region 3), status(0x%X)\n", status);
        // A device that fails to start may never see a release.
        unmapRegion(ext.regionA);
        return status;
    }

    InitializeBoard(device, ext);
    return STATUS_SUCCESS;
}

NTSTATUS releaseHardware(KDevice* device, const KResourceList*) {
    DEVICE_EXTENSION& ext = *deviceExtension(device);
    stopTicks(ext);
    unmapRegion(ext.regionB);
    unmapRegion(ext.regionA);
    ext.chipBase = nullptr;
    return STATUS_SUCCESS;
}

}  // namespace ravkern
