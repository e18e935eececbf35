// Device handles of the board driver: open a device by its path, send it
// synchronous controls, close it. Failures leave the Windows error code that
// GetLastError would give, per thread, in deviceLastError(); a successful
// open clears it, a successful control or close leaves it as it was.
#pragma once

#include <cstdint>

namespace ravlib::os {

using DeviceHandle = std::intptr_t;
inline constexpr DeviceHandle kInvalidDevice = -1;

// Windows error codes this layer reports.
inline constexpr std::uint32_t kErrorFileNotFound = 2;   // no such device
inline constexpr std::uint32_t kErrorInvalidHandle = 6;  // closed or never opened
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;      // STATUS_INVALID_PARAMETER
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;   // STATUS_BUFFER_TOO_SMALL
inline constexpr std::uint32_t kErrorInvalidName = 123;          // path is no device path
inline constexpr std::uint32_t kErrorMoreData = 234;             // STATUS_BUFFER_OVERFLOW
inline constexpr std::uint32_t kErrorMrMidNotFound = 317;        // a status without a translation
inline constexpr std::uint32_t kErrorNotReady = 21;              // STATUS_DEVICE_NOT_READY
inline constexpr std::uint32_t kErrorDeviceNotConnected = 1167;  // the device host went away
inline constexpr std::uint32_t kErrorNoSystemResources = 1450;   // STATUS_INSUFFICIENT_RESOURCES
inline constexpr std::uint32_t kErrorTimeout = 1460;             // the host did not answer in time

// Makes the layer's own state now, so that it outlives an exit handler
// registered after this call.
void prepareDevices();

// "\\.\RavkernN" (or any "\\.\NAME"): the device socket NAME in the runtime
// directory. kInvalidDevice on failure.
DeviceHandle openDevice(const char* path);

// DeviceIoControl: 0 when the driver completed the control with success, -1
// otherwise. Controls on one handle are sent one at a time (a second thread
// waits for the first); different handles are served in parallel. A host that
// does not answer within 30 s gives 1460; after that, or once the host went
// away, every control on the handle gives 1167. `bytesReturned` (may be null) gets the completion's byte count.
// Inputs and outputs longer than 64 KiB are refused with 87. A map control
// that succeeds leaves a view of the chip window in this process, at the
// address the reply carries; a successful unmap control removes it.
int deviceIoControl(DeviceHandle handle, std::uint32_t code, const void* input, std::uint32_t inputLength, void* output,
                    std::uint32_t outputLength, std::uint32_t* bytesReturned);

// CloseHandle: 0, or -1 with 6 for a handle that is not open. Views still
// mapped through the handle are removed.
int closeDevice(DeviceHandle handle);

std::uint32_t deviceLastError();

// The Windows error code a driver completion status becomes.
std::uint32_t errorFromStatus(std::uint32_t status);

}  // namespace ravlib::os
