// The tick routine: brings the chip into communication after a connect
// request, then checks the running bit and restarts communication when it drops.
#include "driver/ChipAreas.h"
#include "driver/DeviceExtension.h"
#include "driver/Ravkern.h"

namespace ravkern {

namespace {

constexpr int64_t kTickInterval = -100000;  // 10 ms
constexpr int32_t kSupervisionWait = 5;     // ticks between two looks at SCR
// SSR's opening value and SCR = 0 (the upper half) in one 32-bit store at SSR.
constexpr uint32_t kSsrScrReset = mky43::kSsrConnectReset;

struct ConnectParameters {
    int32_t state;
    int32_t mode;
    uint16_t sa;
    int32_t slen;
};

struct Step {
    int32_t nextState;
    int32_t wait;
    bool rearm;
};

uint16_t composeBcr(volatile void* chipBase, const ConnectParameters& p) {
    const uint32_t current = kernel::readRegister16(chipBase, mky43::BCR);
    uint32_t value = (static_cast<uint32_t>(p.slen) << 8) | p.sa | (current & mky43::kBcrKeptBits);
    if (p.mode == kModeLongFrame)
        value |= mky43::kBcrLongFrame;
    return static_cast<uint16_t>(value);
}

Step runState(DEVICE_EXTENSION& ext, const ConnectParameters& p) {
    volatile void* chipBase = ext.chipBase;
    switch (p.state) {
    case 0:
        kernel::writeRegister16(chipBase, mky43::SCR, 0);
        clearCommunicationMemory(chipBase);
        clearWriteHazardBuffers(chipBase);
        return {0, 0, false};
    case 1:
        kernel::writeRegister32(chipBase, mky43::SSR, kSsrScrReset);
        kernel::writeRegister16(chipBase, mky43::LGR, 0);
        kernel::writeRegister16(chipBase, mky43::MGR, 0);
        kernel::writeRegister16(chipBase, mky43::DRCR, 0);
        kernel::writeRegister16(chipBase, mky43::NFSR, 0);
        clearCommunicationMemory(chipBase);
        clearWriteHazardBuffers(chipBase);
        return {2, 1, true};
    case 2: kernel::writeRegister32(chipBase, mky43::SSR, kSsrScrReset); return {1000, 1, true};
    case 1000:
        kernel::writeRegister16(chipBase, mky43::SCR, mky43::kScrHalt);
        if (p.mode == kModeGmm)
            return {0, 1, false};
        return {1001, 1, true};
    case 1001:
        ext.bcrValue = composeBcr(chipBase, p);
        kernel::writeRegister16(chipBase, mky43::BCR, ext.bcrValue);
        return {1002, 0, true};
    case 1002: kernel::writeRegister16(chipBase, mky43::SCR, 0); return {1003, 0, true};
    case 1003: kernel::writeRegister16(chipBase, mky43::SCR, mky43::kScrStart); return {1004, kSupervisionWait, true};
    case 1004:
        if (kernel::readRegister16(chipBase, mky43::SCR) & mky43::kScrRunning)
            return {1004, kSupervisionWait, true};
        return {1003, 0, true};
    default: return {p.state, 0, true};
    }
}

}  // namespace

ConnectStatistics connectStatistics(KDevice* device) {
    const DEVICE_EXTENSION& ext = *deviceExtension(device);
    return {ext.seqState.load(), ext.supervisionRestarts.load(std::memory_order_relaxed)};
}

void rearmTick(DEVICE_EXTENSION& ext) {
    if (ext.timerEnabled.load())
        kernel::timerSet(ext.tickTimer, kTickInterval, ext.timerDpc);
}

void tickRoutine(KDpc*, void* context) {
    DEVICE_EXTENSION& ext = *static_cast<DEVICE_EXTENSION*>(context);
    if (ext.seqWait != 0) {
        --ext.seqWait;
        rearmTick(ext);
        return;
    }

    ConnectParameters parameters;
    {
        SpinLockGuard guard(ext.paramLock);
        parameters = {ext.seqState.load(), ext.seqMode, ext.sa, ext.slen};
    }
    const Step step = runState(ext, parameters);

    // A connect or disconnect that came in meanwhile keeps its state and gets
    // the next tick to act on it.
    int32_t expected = parameters.state;
    const bool advanced = ext.seqState.compare_exchange_strong(expected, step.nextState);
    if (advanced)
        ext.seqWait = step.wait;
    if (advanced && parameters.state == 1004 && step.nextState == 1003)
        ext.supervisionRestarts.store(ext.supervisionRestarts.load(std::memory_order_relaxed) + 1,
                                      std::memory_order_relaxed);
    if (step.rearm || !advanced)
        rearmTick(ext);
}

}  // namespace ravkern
