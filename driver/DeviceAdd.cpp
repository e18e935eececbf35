// Driver entry, device creation and the file-object callbacks.
#include "driver/DeviceExtension.h"
#include "driver/Ravkern.h"

#include <new>

namespace ravkern {

namespace {

constexpr const char* kDeviceNamePrefix = "\\Device\\Ravkern";
constexpr const char* kSymbolicLinkPrefix = "\\DosDevices\\Ravkern";
constexpr size_t kNameBufferSize = 128;

// Numbers devices in the order they are added; device add runs one device at a time.
uint32_t deviceCounter = 0;

void fileCreate(KDevice*, KRequest* request, KFile* file) {
    new (kernel::fileGetContext(file)) FILE_CONTEXT{};
    kernel::requestComplete(request, STATUS_SUCCESS);
}

// A client that goes away leaves no view behind.
void fileClose(KFile* file) {
    FILE_CONTEXT* context = fileContext(file);
    if (context->view != nullptr) {
        kernel::viewRemove(context->view);
        context->view = nullptr;
        context->userAddress = 0;
    }
}

NTSTATUS deviceAdd(KDriver*, KDeviceInit* init) {
    char deviceName[kNameBufferSize];
    NTSTATUS status = kernel::formatName(deviceName, sizeof deviceName, kDeviceNamePrefix, deviceCounter);
    if (!NT_SUCCESS(status)) {
        debugPrint("RtlUnicodeStringPrintf(DeviceName) failed %d \n", status);
        return status;
    }
    kernel::deviceInitAssignName(init, deviceName);

    const PnpPowerCallbacks pnpCallbacks{prepareHardware, releaseHardware};
    kernel::deviceInitSetPnpPowerEventCallbacks(init, &pnpCallbacks);
    kernel::deviceInitSetIoType(init, IoType::Direct);
    kernel::deviceInitSetExclusive(init, false);

    const FileObjectConfig fileConfig{fileCreate, fileClose, sizeof(FILE_CONTEXT)};
    kernel::deviceInitSetFileObjectConfig(init, &fileConfig);

    KDevice* device = nullptr;
    status = kernel::deviceCreate(init, sizeof(DEVICE_EXTENSION), &device);
    if (!NT_SUCCESS(status)) {
        debugPrint("WdfDeviceInitialize failed %d \n", status);
        return status;
    }
    new (kernel::deviceGetContext(device)) DEVICE_EXTENSION{};

    const uint32_t number = deviceCounter++;

    char linkName[kNameBufferSize];
    status = kernel::formatName(linkName, sizeof linkName, kSymbolicLinkPrefix, number);
    if (!NT_SUCCESS(status)) {
        debugPrint("RtlUnicodeStringPrintf(SymbolicLink) failed %d \n", status);
        return status;
    }
    status = kernel::deviceCreateSymbolicLink(device, linkName);
    if (!NT_SUCCESS(status)) {
        debugPrint("WdfDeviceCreateSymbolicLink failed %d \n", status);
        return status;
    }

    const QueueConfig queueConfig{QueueDispatch::Parallel, deviceControl};
    KQueue* queue = nullptr;
    status = kernel::ioQueueCreate(device, &queueConfig, &queue);
    if (!NT_SUCCESS(status)) {
        debugPrint("WdfIoQueueCreate failed %d \n", status);
        return status;
    }
    return STATUS_SUCCESS;
}

}  // namespace

NTSTATUS DriverEntry(KDriver* driver, const char*) {
    deviceCounter = 0;
    const DriverConfig config{deviceAdd};
    const NTSTATUS status = kernel::driverCreate(driver, &config);
    if (!NT_SUCCESS(status)) {
        debugPrint("WdfDriverCreate failed with status %!STATUS!\n", status);
        return status;
    }
    return STATUS_SUCCESS;
}

}  // namespace ravkern
