// The device context of one board and the per-handle context of one client,
// shared by the driver's lifecycle files. Private to the driver.
#pragma once

#include "driver/SpinLock.h"
#include "driver/kernel.h"

#include <atomic>
#include <cstdint>
#include <type_traits>

namespace ravkern {

struct BoardRegion {
    volatile void* virtualAddress;  // kernel address of the mapped region
    uint32_t length;                // bytes, from the resource descriptor
    uint64_t physicalAddress;       // start, from the resource descriptor
    bool mapped;                    // virtualAddress came from mapIoSpace
    uint32_t flags;                 // the descriptor's flags
};

enum ConnectMode : int32_t { kModeNormal = 0, kModeLongFrame = 1, kModeGmm = 2 };

// Control handlers and the tick routine run at the same time. seqState is the
// one field both sides write: handlers set it outright, the tick routine only
// advances it from the state it acted on. The connect parameters are read and
// written together under paramLock.
struct DEVICE_EXTENSION {
    KDpc* timerDpc;
    KTimer* tickTimer;
    std::atomic<bool> timerEnabled;
    std::atomic<int32_t> seqState;
    int32_t seqWait;                            // tick routine only (and prepare, when no tick runs)
    std::atomic<uint32_t> supervisionRestarts;  // written by the tick routine only

    SpinLock paramLock;
    char saText[8];
    int32_t slen;
    uint16_t sa;
    int32_t seqMode;

    uint16_t bcrValue;  // tick routine only
    volatile void* chipBase;
    BoardRegion regionA;
    BoardRegion regionB;
};

// One client connection's view of region A. An operation on the view holds
// viewBusy; a second operation arriving meanwhile is refused.
struct FILE_CONTEXT {
    std::atomic_flag viewBusy;
    KView* view;
    uint64_t userAddress;
};

// The host frees both with their objects without running destructors.
static_assert(std::is_trivially_destructible_v<DEVICE_EXTENSION>);
static_assert(std::is_trivially_destructible_v<FILE_CONTEXT>);

inline DEVICE_EXTENSION* deviceExtension(KDevice* device) {
    return static_cast<DEVICE_EXTENSION*>(kernel::deviceGetContext(device));
}

inline FILE_CONTEXT* fileContext(KFile* file) {
    return static_cast<FILE_CONTEXT*>(kernel::fileGetContext(file));
}

inline void debugPrint(const char* format, NTSTATUS status = STATUS_SUCCESS) {
    kernel::debugPrintEx(kDebugComponent, kDebugLevelError, format, status);
}

// Lifecycle entries registered with the host.
NTSTATUS prepareHardware(KDevice* device, const KResourceList* raw, const KResourceList* translated);
NTSTATUS releaseHardware(KDevice* device, const KResourceList* translated);
void deviceControl(KQueue* queue, KRequest* request, size_t outputLength, size_t inputLength, uint32_t ioControlCode);
void tickRoutine(KDpc* dpc, void* context);

// Pulses the chip reset line of region B (1 ms asserted, 1 ms to settle). Passive.
void hardResetChip(DEVICE_EXTENSION& ext);

// Re-arms the 10 ms tick unless the timer has been disabled.
void rearmTick(DEVICE_EXTENSION& ext);

}  // namespace ravkern
