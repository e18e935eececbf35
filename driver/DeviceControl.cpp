// The device-control callback: one switch over the eleven codes, buffer sizes
// checked before a buffer is touched, one completion point.
#include "driver/ChipAreas.h"
#include "driver/DeviceExtension.h"
#include "driver/RavkernIoctl.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace ravkern {

namespace {

// Which buffer of a request a handler takes, and the debug text of a
// retrieval that fails (each handler keeps its own).
struct BufferKind {
    NTSTATUS (*retrieve)(KRequest* request, size_t minimumSize, void** buffer, size_t* length);
    const char* failureText;
};

constexpr BufferKind kConnectInput{kernel::requestRetrieveInputBuffer,
                                   "WdfRequestRetrieveInputBuffer failed with status %!STATUS!\n"};
constexpr BufferKind kMapInput{kernel::requestRetrieveInputBuffer,
                               "WdfRequestRetrieveInputBuffer failed with status:%d \n"};
constexpr BufferKind kOutput{kernel::requestRetrieveOutputBuffer,
                             "WdfRequestRetrieveOutputBuffer failed with status %d \n"};

// The request's buffer for one T. A length other than T's size is refused
// before the buffer is touched.
template <typename T>
NTSTATUS retrieveBuffer(KRequest* request, size_t length, const BufferKind& kind, void*& buffer) {
    if (length != sizeof(T))
        return STATUS_INVALID_PARAMETER;
    size_t retrieved = 0;
    const NTSTATUS status = kind.retrieve(request, sizeof(T), &buffer, &retrieved);
    if (!NT_SUCCESS(status))
        debugPrint(kind.failureText, status);
    return status;
}

NTSTATUS connect(KRequest* request, size_t inputLength, DEVICE_EXTENSION& ext, ConnectMode mode) {
    void* buffer = nullptr;
    const NTSTATUS status = retrieveBuffer<ConnectRequest>(request, inputLength, kConnectInput, buffer);
    if (!NT_SUCCESS(status))
        return status;
    ConnectRequest connectRequest;
    std::memcpy(&connectRequest, buffer, sizeof connectRequest);
    if (!std::isdigit(static_cast<unsigned char>(connectRequest.saText[0])))
        return STATUS_INVALID_PARAMETER;

    {
        SpinLockGuard guard(ext.paramLock);
        std::memcpy(ext.saText, connectRequest.saText, sizeof ext.saText);
        ext.saText[sizeof ext.saText - 1] = '\0';
        ext.sa = static_cast<uint16_t>(std::atoi(ext.saText));
        ext.slen = connectRequest.slen;
        ext.seqMode = mode;
        ext.seqState.store(1);
    }
    kernel::dpcInsert(ext.timerDpc);
    return STATUS_SUCCESS;
}

NTSTATUS disconnect(DEVICE_EXTENSION& ext) {
    if (ext.seqState.load() == 0) {
        kernel::writeRegister16(ext.chipBase, mky43::SCR, 0);
        clearCommunicationMemory(ext.chipBase);
    }
    ext.seqState.store(0);
    return STATUS_SUCCESS;
}

NTSTATUS getConnectState(KRequest* request, size_t outputLength, DEVICE_EXTENSION& ext, size_t& bytes) {
    void* buffer = nullptr;
    const NTSTATUS status = retrieveBuffer<ConnectState>(request, outputLength, kOutput, buffer);
    if (!NT_SUCCESS(status))
        return status;
    ConnectState state;
    {
        SpinLockGuard guard(ext.paramLock);
        state.status = ext.seqState.load();
        state.sa = ext.sa;
        state.slen = ext.slen;
    }
    std::memcpy(buffer, &state, sizeof state);
    bytes = sizeof state;
    return STATUS_SUCCESS;
}

NTSTATUS getDipSwitch(KRequest* request, size_t outputLength, DEVICE_EXTENSION& ext, size_t& bytes) {
    void* buffer = nullptr;
    const NTSTATUS status = retrieveBuffer<DipSwitchInfo>(request, outputLength, kOutput, buffer);
    if (!NT_SUCCESS(status))
        return status;
    const uint16_t switchRegister = kernel::readRegister16(ext.regionB.virtualAddress, mky43::kBoardSwitchRegister);
    DipSwitchInfo info{{'D', 'I', 'P', 'S', 'W', 0, 0, 0}, switchRegister >> 8, {0, 0}};
    std::memcpy(buffer, &info, sizeof info);
    bytes = sizeof info;
    return STATUS_SUCCESS;
}

// One view per file object. A length of 0 or beyond region A, a second map
// while a view exists and an unmap of another address are refused.
NTSTATUS mapOrUnmap(KRequest* request, const MapRequest& mapRequest, FILE_CONTEXT& file, DEVICE_EXTENSION& ext,
                    uint64_t& userAddress) {
    if (mapRequest.command == kMapCommandUnmap) {
        if (file.view == nullptr)
            return STATUS_SUCCESS;
        if (mapRequest.userAddress != file.userAddress)
            return STATUS_INVALID_PARAMETER;
        kernel::viewRemove(file.view);
        file.view = nullptr;
        file.userAddress = 0;
        return STATUS_SUCCESS;
    }
    if (file.view != nullptr || mapRequest.length == 0 || mapRequest.length > ext.regionA.length)
        return STATUS_INVALID_PARAMETER;
    KView* view = nullptr;
    const NTSTATUS status = kernel::viewCreate(request, const_cast<void*>(ext.regionA.virtualAddress),
                                               mapRequest.length, &view, &userAddress);
    if (!NT_SUCCESS(status))
        return status;
    file.view = view;
    file.userAddress = userAddress;
    return STATUS_SUCCESS;
}

NTSTATUS mapMemory(KRequest* request, size_t inputLength, DEVICE_EXTENSION& ext, size_t& bytes) {
    void* buffer = nullptr;
    NTSTATUS status = retrieveBuffer<MapRequest>(request, inputLength, kMapInput, buffer);
    if (!NT_SUCCESS(status))
        return status;
    MapRequest mapRequest;
    std::memcpy(&mapRequest, buffer, sizeof mapRequest);

    FILE_CONTEXT& file = *fileContext(kernel::requestGetFileObject(request));
    if (file.viewBusy.test_and_set(std::memory_order_acquire))
        return STATUS_INVALID_PARAMETER;
    uint64_t userAddress = mapRequest.userAddress;
    status = mapOrUnmap(request, mapRequest, file, ext, userAddress);
    file.viewBusy.clear(std::memory_order_release);
    if (!NT_SUCCESS(status))
        return status;

    mapRequest.userAddress = userAddress;
    std::memcpy(buffer, &mapRequest, sizeof mapRequest);
    bytes = sizeof mapRequest;
    return STATUS_SUCCESS;
}

}  // namespace

void deviceControl(KQueue* queue, KRequest* request, size_t outputLength, size_t inputLength, uint32_t ioControlCode) {
    DEVICE_EXTENSION& ext = *deviceExtension(kernel::ioQueueGetDevice(queue));
    size_t bytes = 0;
    NTSTATUS status = STATUS_INVALID_PARAMETER;

    switch (ioControlCode) {
    case IOCTL_BOARD_HARD_RESET:
        hardResetChip(ext);
        status = STATUS_SUCCESS;
        break;
    case IOCTL_BOARD_CONNECT: status = connect(request, inputLength, ext, kModeNormal); break;
    case IOCTL_BOARD_CONNECT_LF: status = connect(request, inputLength, ext, kModeLongFrame); break;
    case IOCTL_BOARD_CONNECT_GMM: status = connect(request, inputLength, ext, kModeGmm); break;
    case IOCTL_BOARD_DISCONNECT: status = disconnect(ext); break;
    case IOCTL_BOARD_MAP_MEMORY: status = mapMemory(request, inputLength, ext, bytes); break;
    case IOCTL_BOARD_GET_CONNECT_STATE: status = getConnectState(request, outputLength, ext, bytes); break;
    case IOCTL_BOARD_GET_DIPSW: status = getDipSwitch(request, outputLength, ext, bytes); break;
    case IOCTL_BOARD_RESERVED_804:
    case IOCTL_BOARD_RESERVED_807:
    case IOCTL_BOARD_RESERVED_808: status = STATUS_SUCCESS; break;
    default: break;
    }
    kernel::requestCompleteWithInformation(request, status, bytes);
}

}  // namespace ravkern
