// driver/kernel.h on Linux: the host's objects behind the driver's calls.
#include "driver/kernel.h"
#include "driver/DebugText.h"
#include "host/Connection.h"
#include "host/KernelObjects.h"
#include "host/PhysicalMemory.h"
#include "sim/RegisterAccess.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string_view>
#include <thread>

namespace ravkern::kernel {

namespace {

std::chrono::nanoseconds relativeDelay(int64_t interval) {
    // Absolute times (positive) lie in the past for this host: due at once.
    return interval < 0 ? std::chrono::nanoseconds(-interval * 100) : std::chrono::nanoseconds(0);
}

constexpr std::string_view kLinkPrefix = "\\DosDevices\\";

bool validLinkName(std::string_view link) {
    if (!link.starts_with(kLinkPrefix) || link.size() == kLinkPrefix.size() || link.size() > kLinkPrefix.size() + 64)
        return false;
    for (char c : link.substr(kLinkPrefix.size()))
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'))
            return false;
    return true;
}

}  // namespace

NTSTATUS driverCreate(KDriver* driver, const DriverConfig* config) {
    if (!driver || !config || !config->deviceAdd)
        return STATUS_INVALID_PARAMETER;
    driver->config = *config;
    driver->created = true;
    return STATUS_SUCCESS;
}

NTSTATUS formatName(char* buffer, size_t size, const char* prefix, uint32_t number) {
    int n = std::snprintf(buffer, size, "%s%d", prefix, static_cast<int32_t>(number));
    return n < 0 || static_cast<size_t>(n) >= size ? STATUS_BUFFER_OVERFLOW : STATUS_SUCCESS;
}

NTSTATUS deviceInitAssignName(KDeviceInit* init, const char* name) {
    if (!name || !*name)
        return STATUS_INVALID_PARAMETER;
    init->name = name;
    return STATUS_SUCCESS;
}

void deviceInitSetPnpPowerEventCallbacks(KDeviceInit* init, const PnpPowerCallbacks* callbacks) {
    init->pnp = *callbacks;
}

void deviceInitSetIoType(KDeviceInit*, IoType) {}

// Every device of this host is shared: any number of handles.
void deviceInitSetExclusive(KDeviceInit*, bool) {}

void deviceInitSetFileObjectConfig(KDeviceInit* init, const FileObjectConfig* config) {
    init->fileConfig = *config;
}

NTSTATUS deviceCreate(KDeviceInit* init, size_t contextSize, KDevice** device) {
    if (init->device)
        return STATUS_OBJECT_NAME_COLLISION;
    init->device = std::make_unique<KDevice>();
    init->device->name = init->name;
    init->device->pnp = init->pnp;
    init->device->fileConfig = init->fileConfig;
    init->device->context.allocate(contextSize);
    *device = init->device.get();
    return STATUS_SUCCESS;
}

NTSTATUS deviceCreateSymbolicLink(KDevice* device, const char* linkName) {
    if (!linkName || !validLinkName(linkName))
        return STATUS_INVALID_PARAMETER;
    if (!device->linkName.empty())
        return STATUS_OBJECT_NAME_COLLISION;
    device->linkName = linkName;
    return STATUS_SUCCESS;
}

NTSTATUS ioQueueCreate(KDevice* device, const QueueConfig* config, KQueue** queue) {
    if (device->queue)
        return STATUS_OBJECT_NAME_COLLISION;
    if (!config || !config->deviceControl)
        return STATUS_INVALID_PARAMETER;
    device->queue = std::make_unique<KQueue>(KQueue{device, *config});
    if (queue)
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
    return index < list->descriptors.size() ? &list->descriptors[index] : nullptr;
}

void* mapIoSpace(uint64_t physicalAddress, size_t length) {
    return ravhost::PhysicalMemory::instance().map(physicalAddress, length);
}

void unmapIoSpace(void* address, size_t length) {
    ravhost::PhysicalMemory::instance().unmap(address, length);
}

uint16_t readRegister16(volatile void* base, uint32_t offset) {
    return ravsim::read16(const_cast<void*>(base), offset);
}

void writeRegister16(volatile void* base, uint32_t offset, uint16_t value) {
    ravsim::write16(const_cast<void*>(base), offset, value);
}

void writeRegister32(volatile void* base, uint32_t offset, uint32_t value) {
    ravsim::write16(const_cast<void*>(base), offset, static_cast<uint16_t>(value));
    ravsim::write16(const_cast<void*>(base), offset + 2, static_cast<uint16_t>(value >> 16));
}

NTSTATUS requestRetrieveInputBuffer(KRequest* request, size_t minimumSize, void** buffer, size_t* length) {
    if (request->inputLength == 0 || request->inputLength < minimumSize)
        return STATUS_BUFFER_TOO_SMALL;
    *buffer = request->buffer.data();
    if (length)
        *length = request->inputLength;
    return STATUS_SUCCESS;
}

NTSTATUS requestRetrieveOutputBuffer(KRequest* request, size_t minimumSize, void** buffer, size_t* length) {
    if (request->outputLength == 0 || request->outputLength < minimumSize)
        return STATUS_BUFFER_TOO_SMALL;
    *buffer = request->buffer.data();
    if (length)
        *length = request->outputLength;
    return STATUS_SUCCESS;
}

KFile* requestGetFileObject(KRequest* request) {
    return request->file;
}

void requestCompleteWithInformation(KRequest* request, NTSTATUS status, size_t bytes) {
    if (request->completed)
        return;
    request->completed = true;
    request->status = status;
    request->information = std::min(bytes, request->buffer.size());
}

void requestComplete(KRequest* request, NTSTATUS status) {
    requestCompleteWithInformation(request, status, 0);
}

NTSTATUS viewCreate(KRequest* request, void* kernelAddress, size_t length, KView** view, uint64_t* userAddress) {
    ravhost::Connection* connection = request->file ? request->file->connection : nullptr;
    int fd = -1;
    size_t mapped = 0;
    if (!connection || connection != ravhost::Connection::current() || length == 0 ||
        !ravhost::PhysicalMemory::instance().chipWindowAt(kernelAddress, fd, mapped) || length > mapped)
        return STATUS_INSUFFICIENT_RESOURCES;
    uint64_t address = 0;
    if (!connection->mapInClient(fd, length, address))
        return STATUS_INSUFFICIENT_RESOURCES;
    *view = new KView{connection, address, length};
    *userAddress = address;
    return STATUS_SUCCESS;
}

void viewRemove(KView* view) {
    if (!view)
        return;
    // From file close the client is gone or going: its views go with its
    // connection on its side.
    if (view->connection == ravhost::Connection::current() && !view->connection->closing())
        view->connection->unmapInClient(view->userAddress, view->length);
    delete view;
}

KTimer* timerInitialize(KDevice* device) {
    return &device->timer;
}

KDpc* dpcInitialize(KDevice* device, DeferredRoutine routine, void* context) {
    device->ticks.bind(routine, context, &device->dpc);
    return &device->dpc;
}

bool timerSet(KTimer* timer, int64_t dueTime, KDpc*) {
    return timer->worker->setTimer(relativeDelay(dueTime));
}

bool timerCancel(KTimer* timer) {
    return timer->worker->cancelTimer();
}

bool dpcInsert(KDpc* dpc) {
    return dpc->worker->insert();
}

bool dpcRemove(KDpc* dpc) {
    return dpc->worker->remove();
}

void delayExecutionThread(int64_t interval) {
    std::this_thread::sleep_for(relativeDelay(interval));
}

void debugPrintEx(uint32_t, uint32_t, const char* format, NTSTATUS status) {
    static std::mutex printMutex;
    char text[512];
    formatDebugText(text, sizeof text, format, status);
    std::lock_guard lock(printMutex);
    std::fputs(text, stderr);
    std::fflush(stderr);
}

}  // namespace ravkern::kernel
