// A kernel of memory and counters that the driver logic runs against in tests:
// memory-backed physical ranges, a stepped clock for the timer, recorded
// register writes, sleeps and debug prints, and failure injection.
#pragma once

#include "driver/kernel.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace ravkern::fake {

struct DebugLine {
    uint32_t component;
    uint32_t level;
    std::string format;
    NTSTATUS status;
};

struct RegisterWrite {
    uint64_t physical;  // physical address written
    int width;          // 16 or 32
    uint32_t value;
};

struct ControlResult {
    NTSTATUS status;
    size_t bytes;
    std::vector<uint8_t> output;  // the first min(bytes, outputLength) bytes
};

// Injected failures; STATUS_SUCCESS means no failure.
struct Failures {
    NTSTATUS driverCreate = STATUS_SUCCESS;
    NTSTATUS deviceName = STATUS_SUCCESS;  // formatName for "\Device\..."
    NTSTATUS deviceCreate = STATUS_SUCCESS;
    NTSTATUS linkName = STATUS_SUCCESS;  // formatName for "\DosDevices\..."
    NTSTATUS symbolicLink = STATUS_SUCCESS;
    NTSTATUS queueCreate = STATUS_SUCCESS;
    NTSTATUS retrieveInput = STATUS_SUCCESS;
    NTSTATUS retrieveOutput = STATUS_SUCCESS;
    NTSTATUS viewCreate = STATUS_SUCCESS;
    std::set<uint64_t> unmappable;  // physical starts mapIoSpace refuses
};

}  // namespace ravkern::fake

namespace ravkern {

struct KResourceList {
    std::vector<ResourceDescriptor> descriptors;
    std::set<uint32_t> missing;  // indices that yield no descriptor
};

}  // namespace ravkern

namespace ravkern::fake {

class FakeKernel {
public:
    FakeKernel();
    ~FakeKernel();
    FakeKernel(const FakeKernel&) = delete;
    FakeKernel& operator=(const FakeKernel&) = delete;

    static FakeKernel& current();

    // Driver and devices.
    NTSTATUS loadDriver();
    // Runs device add; the device is returned when it was created, even if a
    // later step failed (lastDeviceAddStatus tells).
    KDevice* addDevice();
    NTSTATUS prepare(KDevice* device, const KResourceList& translated);
    NTSTATUS release(KDevice* device);
    std::string deviceName(KDevice* device) const;
    std::string symbolicLink(KDevice* device) const;
    bool hasQueue(KDevice* device) const;
    bool isExclusive(KDevice* device) const;
    NTSTATUS lastDeviceAddStatus() const { return lastDeviceAddStatus_; }

    // Files and controls.
    KFile* openFile(KDevice* device);
    void closeFile(KFile* file);
    ControlResult control(KFile* file, uint32_t code, const void* input, size_t inputLength, size_t outputLength);

    // Physical memory: a zeroed range that mapIoSpace can map.
    uint8_t* addPhysicalRange(uint64_t start, size_t length);
    uint16_t peek16(uint64_t physical);
    void poke16(uint64_t physical, uint16_t value);
    size_t liveMappings();

    // Clock, timer and deferred routines.
    // Runs what is queued, then moves the clock on by interval (100 ns units),
    // firing each timer that falls due and running the routines it queues.
    void advance(int64_t interval);
    void runQueuedRoutines();
    bool timerArmed(KDevice* device);
    bool routineQueued(KDevice* device);
    int routineRuns(KDevice* device);

    // Views in clients.
    size_t liveViews();

    // Records.
    std::vector<DebugLine> debugLines();
    std::vector<std::string> debugTexts();  // expanded as a debugger shows them
    std::vector<RegisterWrite> registerWrites();
    std::vector<int64_t> sleeps();
    void clearRecords();
    // Contract violations the driver made (bad unmap, access outside a mapping...).
    std::vector<std::string> violations();

    Failures fail;

    // Used by the kernel functions; not for tests.
    struct State;
    State& state() { return *state_; }

private:
    std::unique_ptr<State> state_;
    NTSTATUS lastDeviceAddStatus_ = STATUS_SUCCESS;
};

}  // namespace ravkern::fake
