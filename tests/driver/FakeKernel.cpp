// The kernel functions of driver/kernel.h, defined over FakeKernel's state.
#include "tests/driver/FakeKernel.h"

#include "driver/DebugText.h"
#include "driver/Ravkern.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ravkern {

struct KDriver {
    DriverConfig config{};
    bool created = false;
};

struct KDeviceInit {
    std::string name;
    PnpPowerCallbacks pnp{};
    FileObjectConfig fileConfig{};
    IoType ioType = IoType::Buffered;
    bool exclusive = true;
};

struct KDpc {
    DeferredRoutine routine = nullptr;
    void* context = nullptr;
    bool queued = false;
    bool running = false;
    int runs = 0;
};

struct KTimer {
    bool armed = false;
    int64_t due = 0;
    KDpc* dpc = nullptr;
};

struct KQueue {
    KDevice* device;
    QueueConfig config;
};

struct KDevice {
    KDeviceInit init;
    std::string link;
    std::unique_ptr<std::max_align_t[]> context;
    std::unique_ptr<KQueue> queue;
    KTimer timer;
    KDpc dpc;
};

struct KFile {
    KDevice* device;
    std::unique_ptr<std::max_align_t[]> context;
};

struct KRequest {
    KFile* file;
    std::vector<uint8_t> buffer;
    size_t inputLength = 0;
    size_t outputLength = 0;
    int completions = 0;
    NTSTATUS status = STATUS_PENDING;
    size_t bytes = 0;
};

struct KView {
    KFile* file;
    uint64_t userAddress;
};

}  // namespace ravkern

namespace ravkern::fake {

namespace {

FakeKernel* currentKernel = nullptr;

std::unique_ptr<std::max_align_t[]> zeroedStorage(size_t bytes) {
    const size_t count = (bytes + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
    return std::unique_ptr<std::max_align_t[]>(new std::max_align_t[std::max<size_t>(count, 1)]());
}

}  // namespace

struct FakeKernel::State {
    struct Range {
        uint64_t start;
        std::vector<uint8_t> memory;
    };
    struct Mapping {
        uint64_t physical;
        size_t length;
        uint8_t* address;
    };

    std::mutex mutex;
    std::condition_variable routineDone;
    KDriver driver;
    std::vector<std::unique_ptr<KDevice>> devices;
    KDevice* lastCreated = nullptr;
    std::vector<std::unique_ptr<KFile>> files;
    std::vector<std::unique_ptr<Range>> ranges;
    std::vector<Mapping> mappings;
    std::vector<std::unique_ptr<KView>> views;
    uint64_t nextUserAddress = 0x7f0000000000;
    int64_t now = 0;

    std::vector<DebugLine> debug;
    std::vector<RegisterWrite> writes;
    std::vector<int64_t> sleeps;
    std::vector<std::string> violations;

    uint8_t* rangeMemory(uint64_t physical, size_t length) {
        for (auto& range : ranges) {
            if (physical >= range->start && physical - range->start + length <= range->memory.size())
                return range->memory.data() + (physical - range->start);
        }
        return nullptr;
    }

    // The live mapping that holds [address, address + length), as its physical address.
    bool locate(const volatile void* base, uint32_t offset, size_t length, uint8_t*& address, uint64_t& physical) {
        const auto* target = static_cast<const volatile uint8_t*>(base) + offset;
        for (const Mapping& m : mappings) {
            const auto* begin = m.address;
            if (target >= begin && target + length <= begin + m.length) {
                address = m.address + (target - begin);
                physical = m.physical + static_cast<uint64_t>(target - begin);
                return true;
            }
        }
        violations.push_back("access outside a mapping at offset " + std::to_string(offset));
        return false;
    }
};

FakeKernel::FakeKernel() : state_(std::make_unique<State>()) {
    if (currentKernel != nullptr)
        std::abort();
    currentKernel = this;
}

FakeKernel::~FakeKernel() {
    currentKernel = nullptr;
}

FakeKernel& FakeKernel::current() {
    if (currentKernel == nullptr)
        std::abort();
    return *currentKernel;
}

NTSTATUS FakeKernel::loadDriver() {
    return DriverEntry(&state_->driver, "\\Registry\\Machine\\Ravkern");
}

KDevice* FakeKernel::addDevice() {
    state_->lastCreated = nullptr;
    KDeviceInit init;
    lastDeviceAddStatus_ = state_->driver.config.deviceAdd(&state_->driver, &init);
    return state_->lastCreated;
}

NTSTATUS FakeKernel::prepare(KDevice* device, const KResourceList& translated) {
    return device->init.pnp.prepareHardware(device, &translated, &translated);
}

NTSTATUS FakeKernel::release(KDevice* device) {
    const KResourceList empty;
    return device->init.pnp.releaseHardware(device, &empty);
}

std::string FakeKernel::deviceName(KDevice* device) const {
    return device->init.name;
}
std::string FakeKernel::symbolicLink(KDevice* device) const {
    return device->link;
}
bool FakeKernel::hasQueue(KDevice* device) const {
    return device->queue != nullptr;
}
bool FakeKernel::isExclusive(KDevice* device) const {
    return device->init.exclusive;
}

KFile* FakeKernel::openFile(KDevice* device) {
    auto file = std::make_unique<KFile>();
    file->device = device;
    file->context = zeroedStorage(device->init.fileConfig.contextSize);
    KRequest request{file.get(), {}};
    device->init.fileConfig.fileCreate(device, &request, file.get());
    std::lock_guard lock(state_->mutex);
    if (request.completions != 1 || request.status != STATUS_SUCCESS)
        state_->violations.push_back("file create did not complete once with success");
    state_->files.push_back(std::move(file));
    return state_->files.back().get();
}

void FakeKernel::closeFile(KFile* file) {
    file->device->init.fileConfig.fileClose(file);
    std::lock_guard lock(state_->mutex);
    auto& views = state_->views;
    const auto left = std::erase_if(views, [file](const auto& v) { return v->file == file; });
    if (left != 0)
        state_->violations.push_back("file closed with a view left");
    std::erase_if(state_->files, [file](const auto& f) { return f.get() == file; });
}

ControlResult FakeKernel::control(KFile* file, uint32_t code, const void* input, size_t inputLength,
                                  size_t outputLength) {
    KRequest request{file, std::vector<uint8_t>(std::max(inputLength, outputLength)), inputLength, outputLength};
    if (inputLength != 0)
        std::memcpy(request.buffer.data(), input, inputLength);
    KQueue* queue = file->device->queue.get();
    queue->config.deviceControl(queue, &request, outputLength, inputLength, code);

    std::lock_guard lock(state_->mutex);
    if (request.completions != 1)
        state_->violations.push_back("control completed " + std::to_string(request.completions) + " times");
    if (request.bytes > request.buffer.size())
        state_->violations.push_back("control reported more bytes than its buffer holds");
    const size_t returned = std::min({request.bytes, outputLength, request.buffer.size()});
    return {request.status, request.bytes,
            std::vector<uint8_t>(request.buffer.begin(), request.buffer.begin() + static_cast<long>(returned))};
}

uint8_t* FakeKernel::addPhysicalRange(uint64_t start, size_t length) {
    std::lock_guard lock(state_->mutex);
    state_->ranges.push_back(std::make_unique<State::Range>(State::Range{start, std::vector<uint8_t>(length)}));
    return state_->ranges.back()->memory.data();
}

uint16_t FakeKernel::peek16(uint64_t physical) {
    std::lock_guard lock(state_->mutex);
    uint16_t value = 0;
    if (const uint8_t* p = state_->rangeMemory(physical, 2))
        std::memcpy(&value, p, 2);
    return value;
}

void FakeKernel::poke16(uint64_t physical, uint16_t value) {
    std::lock_guard lock(state_->mutex);
    if (uint8_t* p = state_->rangeMemory(physical, 2))
        std::memcpy(p, &value, 2);
}

size_t FakeKernel::liveMappings() {
    std::lock_guard lock(state_->mutex);
    return state_->mappings.size();
}

void FakeKernel::advance(int64_t interval) {
    runQueuedRoutines();
    int64_t target;
    {
        std::lock_guard lock(state_->mutex);
        target = state_->now + interval;
    }
    for (;;) {
        {
            std::lock_guard lock(state_->mutex);
            KTimer* next = nullptr;
            for (auto& device : state_->devices) {
                KTimer& t = device->timer;
                if (t.armed && t.due <= target && (next == nullptr || t.due < next->due))
                    next = &t;
            }
            if (next == nullptr) {
                state_->now = target;
                break;
            }
            state_->now = next->due;
            next->armed = false;
            next->dpc->queued = true;
        }
        runQueuedRoutines();
    }
    runQueuedRoutines();
}

void FakeKernel::runQueuedRoutines() {
    for (int run = 0; run < 10000; ++run) {
        KDpc* dpc = nullptr;
        {
            std::lock_guard lock(state_->mutex);
            for (auto& device : state_->devices) {
                if (device->dpc.queued && !device->dpc.running) {
                    dpc = &device->dpc;
                    break;
                }
            }
            if (dpc == nullptr)
                return;
            dpc->queued = false;
            dpc->running = true;
            ++dpc->runs;
        }
        dpc->routine(dpc, dpc->context);
        std::lock_guard lock(state_->mutex);
        dpc->running = false;
        state_->routineDone.notify_all();
    }
    std::lock_guard lock(state_->mutex);
    state_->violations.push_back("deferred routine queues itself without end");
}

bool FakeKernel::timerArmed(KDevice* device) {
    std::lock_guard lock(state_->mutex);
    return device->timer.armed;
}

bool FakeKernel::routineQueued(KDevice* device) {
    std::lock_guard lock(state_->mutex);
    return device->dpc.queued;
}

int FakeKernel::routineRuns(KDevice* device) {
    std::lock_guard lock(state_->mutex);
    return device->dpc.runs;
}

size_t FakeKernel::liveViews() {
    std::lock_guard lock(state_->mutex);
    return state_->views.size();
}

std::vector<DebugLine> FakeKernel::debugLines() {
    std::lock_guard lock(state_->mutex);
    return state_->debug;
}

std::vector<std::string> FakeKernel::debugTexts() {
    std::vector<std::string> texts;
    for (const DebugLine& line : debugLines()) {
        char text[512];
        formatDebugText(text, sizeof text, line.format.c_str(), line.status);
        texts.emplace_back(text);
    }
    return texts;
}

std::vector<RegisterWrite> FakeKernel::registerWrites() {
    std::lock_guard lock(state_->mutex);
    return state_->writes;
}

std::vector<int64_t> FakeKernel::sleeps() {
    std::lock_guard lock(state_->mutex);
    return state_->sleeps;
}

void FakeKernel::clearRecords() {
    std::lock_guard lock(state_->mutex);
    state_->debug.clear();
    state_->writes.clear();
    state_->sleeps.clear();
}

std::vector<std::string> FakeKernel::violations() {
    std::lock_guard lock(state_->mutex);
    return state_->violations;
}

}  // namespace ravkern::fake

namespace ravkern::kernel {

namespace {

using fake::FakeKernel;

FakeKernel::State& state() {
    return FakeKernel::current().state();
}
fake::Failures& failures() {
    return FakeKernel::current().fail;
}

void violation(const std::string& what) {
    std::lock_guard lock(state().mutex);
    state().violations.push_back(what);
}

}  // namespace

NTSTATUS driverCreate(KDriver* driver, const DriverConfig* config) {
    if (failures().driverCreate != STATUS_SUCCESS)
        return failures().driverCreate;
    driver->config = *config;
    driver->created = true;
    return STATUS_SUCCESS;
}

NTSTATUS formatName(char* buffer, size_t size, const char* prefix, uint32_t number) {
    const bool deviceName = std::strncmp(prefix, "\\Device\\", 8) == 0;
    const NTSTATUS injected = deviceName ? failures().deviceName : failures().linkName;
    if (injected != STATUS_SUCCESS)
        return injected;
    const int n = std::snprintf(buffer, size, "%s%u", prefix, number);
    return n >= 0 && static_cast<size_t>(n) < size ? STATUS_SUCCESS : STATUS_BUFFER_OVERFLOW;
}

NTSTATUS deviceInitAssignName(KDeviceInit* init, const char* name) {
    init->name = name;
    return STATUS_SUCCESS;
}

void deviceInitSetPnpPowerEventCallbacks(KDeviceInit* init, const PnpPowerCallbacks* callbacks) {
    init->pnp = *callbacks;
}

void deviceInitSetIoType(KDeviceInit* init, IoType type) {
    init->ioType = type;
}
void deviceInitSetExclusive(KDeviceInit* init, bool exclusive) {
    init->exclusive = exclusive;
}
void deviceInitSetFileObjectConfig(KDeviceInit* init, const FileObjectConfig* config) {
    init->fileConfig = *config;
}

NTSTATUS deviceCreate(KDeviceInit* init, size_t contextSize, KDevice** device) {
    if (failures().deviceCreate != STATUS_SUCCESS)
        return failures().deviceCreate;
    auto created = std::make_unique<KDevice>();
    created->init = *init;
    created->context = fake::zeroedStorage(contextSize);
    std::lock_guard lock(state().mutex);
    state().lastCreated = created.get();
    *device = created.get();
    state().devices.push_back(std::move(created));
    return STATUS_SUCCESS;
}

NTSTATUS deviceCreateSymbolicLink(KDevice* device, const char* linkName) {
    if (failures().symbolicLink != STATUS_SUCCESS)
        return failures().symbolicLink;
    device->link = linkName;
    return STATUS_SUCCESS;
}

NTSTATUS ioQueueCreate(KDevice* device, const QueueConfig* config, KQueue** queue) {
    if (failures().queueCreate != STATUS_SUCCESS)
        return failures().queueCreate;
    device->queue = std::make_unique<KQueue>(KQueue{device, *config});
    *queue = device->queue.get();
    return STATUS_SUCCESS;
}

void* deviceGetContext(KDevice* device) {
    return device->context.get();
}
KDevice* ioQueueGetDevice(KQueue* queue) {
    return queue->device;
}
void* fileGetContext(KFile* file) {
    return file->context.get();
}
KDevice* fileGetDevice(KFile* file) {
    return file->device;
}

uint32_t resourceListGetCount(const KResourceList* list) {
    return static_cast<uint32_t>(list->descriptors.size());
}

const ResourceDescriptor* resourceListGetDescriptor(const KResourceList* list, uint32_t index) {
    if (index >= list->descriptors.size() || list->missing.count(index) != 0)
        return nullptr;
    return &list->descriptors[index];
}

void* mapIoSpace(uint64_t physicalAddress, size_t length) {
    if (failures().unmappable.count(physicalAddress) != 0)
        return nullptr;
    std::lock_guard lock(state().mutex);
    uint8_t* memory = state().rangeMemory(physicalAddress, length);
    if (memory == nullptr)
        return nullptr;
    state().mappings.push_back({physicalAddress, length, memory});
    return memory;
}

void unmapIoSpace(void* address, size_t length) {
    std::lock_guard lock(state().mutex);
    auto& mappings = state().mappings;
    const auto it = std::find_if(mappings.begin(), mappings.end(),
                                 [&](const auto& m) { return m.address == address && m.length == length; });
    if (it == mappings.end()) {
        state().violations.push_back("unmap of a range that is not mapped");
        return;
    }
    mappings.erase(it);
}

uint16_t readRegister16(volatile void* base, uint32_t offset) {
    std::lock_guard lock(state().mutex);
    uint8_t* address;
    uint64_t physical;
    uint16_t value = 0xFFFF;
    if (state().locate(base, offset, 2, address, physical))
        std::memcpy(&value, address, 2);
    return value;
}

void writeRegister16(volatile void* base, uint32_t offset, uint16_t value) {
    std::lock_guard lock(state().mutex);
    uint8_t* address;
    uint64_t physical;
    if (!state().locate(base, offset, 2, address, physical))
        return;
    std::memcpy(address, &value, 2);
    state().writes.push_back({physical, 16, value});
}

void writeRegister32(volatile void* base, uint32_t offset, uint32_t value) {
    std::lock_guard lock(state().mutex);
    uint8_t* address;
    uint64_t physical;
    if (!state().locate(base, offset, 4, address, physical))
        return;
    std::memcpy(address, &value, 4);
    state().writes.push_back({physical, 32, value});
}

NTSTATUS requestRetrieveInputBuffer(KRequest* request, size_t minimumSize, void** buffer, size_t* length) {
    if (failures().retrieveInput != STATUS_SUCCESS)
        return failures().retrieveInput;
    if (request->inputLength == 0 || request->inputLength < minimumSize)
        return STATUS_BUFFER_TOO_SMALL;
    *buffer = request->buffer.data();
    *length = request->inputLength;
    return STATUS_SUCCESS;
}

NTSTATUS requestRetrieveOutputBuffer(KRequest* request, size_t minimumSize, void** buffer, size_t* length) {
    if (failures().retrieveOutput != STATUS_SUCCESS)
        return failures().retrieveOutput;
    if (request->outputLength == 0 || request->outputLength < minimumSize)
        return STATUS_BUFFER_TOO_SMALL;
    *buffer = request->buffer.data();
    *length = request->outputLength;
    return STATUS_SUCCESS;
}

KFile* requestGetFileObject(KRequest* request) {
    return request->file;
}

void requestCompleteWithInformation(KRequest* request, NTSTATUS status, size_t bytes) {
    ++request->completions;
    request->status = status;
    request->bytes = bytes;
}

void requestComplete(KRequest* request, NTSTATUS status) {
    requestCompleteWithInformation(request, status, 0);
}

NTSTATUS viewCreate(KRequest* request, void* kernelAddress, size_t length, KView** view, uint64_t* userAddress) {
    if (failures().viewCreate != STATUS_SUCCESS)
        return failures().viewCreate;
    std::lock_guard lock(state().mutex);
    uint8_t* address;
    uint64_t physical;
    if (!state().locate(kernelAddress, 0, length, address, physical))
        return STATUS_INSUFFICIENT_RESOURCES;
    auto created = std::make_unique<KView>(KView{request->file, state().nextUserAddress});
    state().nextUserAddress += 0x100000;
    *view = created.get();
    *userAddress = created->userAddress;
    state().views.push_back(std::move(created));
    return STATUS_SUCCESS;
}

void viewRemove(KView* view) {
    std::lock_guard lock(state().mutex);
    const auto removed = std::erase_if(state().views, [view](const auto& v) { return v.get() == view; });
    if (removed == 0)
        state().violations.push_back("removal of an unknown view");
}

KTimer* timerInitialize(KDevice* device) {
    std::lock_guard lock(state().mutex);
    device->timer.armed = false;
    return &device->timer;
}

KDpc* dpcInitialize(KDevice* device, DeferredRoutine routine, void* context) {
    std::lock_guard lock(state().mutex);
    if (device->dpc.queued || device->dpc.running)
        state().violations.push_back("deferred routine initialised while queued or running");
    device->dpc.routine = routine;
    device->dpc.context = context;
    return &device->dpc;
}

bool timerSet(KTimer* timer, int64_t dueTime, KDpc* dpc) {
    if (dueTime >= 0)
        violation("timer set with an absolute time");
    std::lock_guard lock(state().mutex);
    const bool wasArmed = timer->armed;
    timer->armed = true;
    timer->due = state().now - dueTime;
    timer->dpc = dpc;
    return wasArmed;
}

bool timerCancel(KTimer* timer) {
    std::lock_guard lock(state().mutex);
    const bool wasArmed = timer->armed;
    timer->armed = false;
    return wasArmed;
}

bool dpcInsert(KDpc* dpc) {
    std::lock_guard lock(state().mutex);
    if (dpc->queued)
        return false;
    dpc->queued = true;
    return true;
}

bool dpcRemove(KDpc* dpc) {
    std::unique_lock lock(state().mutex);
    const bool wasQueued = dpc->queued;
    dpc->queued = false;
    state().routineDone.wait(lock, [dpc] { return !dpc->running; });
    return wasQueued;
}

void delayExecutionThread(int64_t interval) {
    std::lock_guard lock(state().mutex);
    state().sleeps.push_back(interval);
}

void debugPrintEx(uint32_t componentId, uint32_t level, const char* format, NTSTATUS status) {
    std::lock_guard lock(state().mutex);
    state().debug.push_back({componentId, level, format, status});
}

}  // namespace ravkern::kernel
