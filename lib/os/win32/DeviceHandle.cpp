// CreateFileA, DeviceIoControl and CloseHandle on the driver's devices. The
// driver maps the chip window into this process itself and reports its
// address in the map control's reply, and removes it at unmap or close.
#include "lib/os/DeviceHandle.h"

#include <cstring>
#include <windows.h>
#include <winternl.h>

namespace ravlib::os {

namespace {

// GetLastError is changed by many calls between a failure and its log line.
thread_local std::uint32_t lastError = 0;

constexpr std::uint32_t kMaxTransfer = 64 * 1024;

HANDLE handleOf(DeviceHandle handle) {
    return reinterpret_cast<HANDLE>(handle);
}

int fail(std::uint32_t error) {
    lastError = error;
    return -1;
}

}  // namespace

void prepareDevices() {}

DeviceHandle openDevice(const char* path) {
    // Only device paths: anything else would open a plain file.
    const bool devicePath = path != nullptr && std::strncmp(path, "\\\\.\\", 4) == 0;
    if (!devicePath || path[4] == '\0') {
        lastError = devicePath ? kErrorInvalidName : kErrorFileNotFound;
        return kInvalidDevice;
    }
    HANDLE device =
        CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE) {
        lastError = GetLastError();
        return kInvalidDevice;
    }
    lastError = 0;
    return reinterpret_cast<DeviceHandle>(device);
}

int deviceIoControl(DeviceHandle handle, std::uint32_t code, const void* input, std::uint32_t inputLength, void* output,
                    std::uint32_t outputLength, std::uint32_t* bytesReturned) {
    if (handle == kInvalidDevice)
        return fail(kErrorInvalidHandle);
    if (inputLength > kMaxTransfer || outputLength > kMaxTransfer)
        return fail(kErrorInvalidParameter);
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(handleOf(handle), code, const_cast<void*>(input), inputLength, output, outputLength,
                              &returned, nullptr);
    if (bytesReturned != nullptr)
        *bytesReturned = returned;
    return ok ? 0 : fail(GetLastError());
}

int closeDevice(DeviceHandle handle) {
    if (handle == kInvalidDevice || !CloseHandle(handleOf(handle)))
        return fail(kErrorInvalidHandle);
    return 0;
}

std::uint32_t deviceLastError() {
    return lastError;
}

std::uint32_t errorFromStatus(std::uint32_t status) {
    return RtlNtStatusToDosError(static_cast<NTSTATUS>(status));
}

}  // namespace ravlib::os
