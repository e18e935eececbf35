// The kernel and driver-framework services the Ravkern logic is written against.
// The driver calls these functions; the device host (and the tests' fake) define them.
//
// Run levels used below:
//   passive  - an ordinary thread that may sleep and wait;
//   dispatch - the tick routine: must not sleep, wait or call a passive-only entry.
// Every callback the host makes runs at passive level except the deferred routine.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ravkern {

using NTSTATUS = int32_t;

constexpr NTSTATUS ntStatus(uint32_t code) {
    return static_cast<NTSTATUS>(code);
}
constexpr bool NT_SUCCESS(NTSTATUS status) {
    return status >= 0;
}

inline constexpr NTSTATUS STATUS_SUCCESS = 0;
inline constexpr NTSTATUS STATUS_PENDING = ntStatus(0x00000103);
inline constexpr NTSTATUS STATUS_BUFFER_OVERFLOW = ntStatus(0x80000005);
inline constexpr NTSTATUS STATUS_UNSUCCESSFUL = ntStatus(0xC0000001);
inline constexpr NTSTATUS STATUS_INVALID_PARAMETER = ntStatus(0xC000000D);
inline constexpr NTSTATUS STATUS_INVALID_DEVICE_REQUEST = ntStatus(0xC0000010);
inline constexpr NTSTATUS STATUS_NO_MEMORY = ntStatus(0xC0000017);
inline constexpr NTSTATUS STATUS_BUFFER_TOO_SMALL = ntStatus(0xC0000023);
inline constexpr NTSTATUS STATUS_OBJECT_NAME_COLLISION = ntStatus(0xC0000035);
inline constexpr NTSTATUS STATUS_INSUFFICIENT_RESOURCES = ntStatus(0xC000009A);
inline constexpr NTSTATUS STATUS_DEVICE_NOT_READY = ntStatus(0xC00000A3);

// Debug print filter of the driver's texts.
inline constexpr uint32_t kDebugComponent = 77;
inline constexpr uint32_t kDebugLevelError = 0;

// Resource descriptor types.
inline constexpr uint8_t CmResourceTypePort = 1;
inline constexpr uint8_t CmResourceTypeInterrupt = 2;
inline constexpr uint8_t CmResourceTypeMemory = 3;
inline constexpr uint8_t CmResourceTypeDma = 4;

// Objects owned by the host; the driver only holds pointers to them.
struct KDriver;      // the loaded driver
struct KDeviceInit;  // a device under construction (valid during device add only)
struct KDevice;      // one board's device object
struct KQueue;       // the device's I/O queue
struct KRequest;     // one device-control request, valid until completed
struct KFile;        // one open handle = one client connection
struct KTimer;       // the device's one-shot timer
struct KDpc;         // the device's deferred routine object
struct KView;        // a view of device memory in one client's address space
struct KResourceList;

// One translated hardware resource.
struct ResourceDescriptor {
    uint8_t type;  // CmResourceType...
    uint16_t flags;
    uint64_t start;   // memory and port: physical start
    uint32_t length;  // memory and port: length in bytes
};

// Driver callbacks, registered through the configurations below.
using DeviceAddCallback = NTSTATUS (*)(KDriver* driver, KDeviceInit* init);
using PrepareHardwareCallback = NTSTATUS (*)(KDevice* device, const KResourceList* raw,
                                             const KResourceList* translated);
using ReleaseHardwareCallback = NTSTATUS (*)(KDevice* device, const KResourceList* translated);
using FileCreateCallback = void (*)(KDevice* device, KRequest* request, KFile* file);
using FileCloseCallback = void (*)(KFile* file);
using DeviceControlCallback = void (*)(KQueue* queue, KRequest* request, size_t outputLength, size_t inputLength,
                                       uint32_t ioControlCode);
using DeferredRoutine = void (*)(KDpc* dpc, void* context);

struct DriverConfig {
    DeviceAddCallback deviceAdd;
};

struct PnpPowerCallbacks {
    // Passive. Called after device add, again after every release (stop and
    // restart). A failure leaves the device unstarted: no requests reach it.
    PrepareHardwareCallback prepareHardware;
    // Passive. Called for a device whose prepare succeeded (a host may also
    // call it after a failed prepare: the driver copes), when no
    // device-control callback of the device runs and none starts until the
    // next successful prepare.
    ReleaseHardwareCallback releaseHardware;
};

struct FileObjectConfig {
    // Passive. Must complete the request (requestComplete).
    FileCreateCallback fileCreate;
    // Passive. Called once per file object, after every request sent on it has
    // completed; the file's context is still valid during the call.
    FileCloseCallback fileClose;
    // Bytes of zeroed, max_align_t-aligned storage the host keeps per file
    // object (fileGetContext); 0 for none.
    size_t contextSize;
};

enum class IoType { Buffered, Direct };
enum class QueueDispatch { Sequential, Parallel };

struct QueueConfig {
    QueueDispatch dispatch;
    // Passive, in the context of the client that sent the request; with
    // parallel dispatch any number of calls run at once, also while the
    // deferred routine runs. Must complete the request before returning.
    DeviceControlCallback deviceControl;
};

namespace kernel {

// Driver and device creation --------------------------------------------------

// Passive, from DriverEntry. Records the configuration; deviceAdd is then called
// once per board, one board at a time.
NTSTATUS driverCreate(KDriver* driver, const DriverConfig* config);

// Passive, device add only. Fails with STATUS_BUFFER_OVERFLOW when
// prefix followed by number in decimal ("%ws%d") and its NUL do not fit size bytes.
NTSTATUS formatName(char* buffer, size_t size, const char* prefix, uint32_t number);

// Passive, device add only: configure the device under construction.
NTSTATUS deviceInitAssignName(KDeviceInit* init, const char* name);  // e.g. "\Device\Ravkern0"
void deviceInitSetPnpPowerEventCallbacks(KDeviceInit* init, const PnpPowerCallbacks* callbacks);
void deviceInitSetIoType(KDeviceInit* init, IoType type);
void deviceInitSetExclusive(KDeviceInit* init, bool exclusive);  // false: any number of handles
void deviceInitSetFileObjectConfig(KDeviceInit* init, const FileObjectConfig* config);

// Passive, device add only. Creates the device with contextSize bytes of zeroed,
// max_align_t-aligned context storage (deviceGetContext), freed with the device
// after its last callback has returned. The device also owns one timer and one
// deferred routine object (timerInitialize, dpcInitialize).
NTSTATUS deviceCreate(KDeviceInit* init, size_t contextSize, KDevice** device);

// Passive, device add only. linkName e.g. "\DosDevices\Ravkern0": the name
// clients open the device by.
NTSTATUS deviceCreateSymbolicLink(KDevice* device, const char* linkName);

// Passive, device add only. The device's default queue for device controls.
NTSTATUS ioQueueCreate(KDevice* device, const QueueConfig* config, KQueue** queue);

// Any level.
void* deviceGetContext(KDevice* device);
KDevice* ioQueueGetDevice(KQueue* queue);
void* fileGetContext(KFile* file);
KDevice* fileGetDevice(KFile* file);

// Hardware resources ------------------------------------------------------------

// Passive, prepare only.
uint32_t resourceListGetCount(const KResourceList* list);
// Null when the list yields no descriptor for index.
const ResourceDescriptor* resourceListGetDescriptor(const KResourceList* list, uint32_t index);

// Passive. Maps length bytes of physical memory at physicalAddress uncached;
// null when that cannot be done. Loads and stores reach the device directly.
void* mapIoSpace(uint64_t physicalAddress, size_t length);
// Passive. Undoes one mapIoSpace with the same address and length.
void unmapIoSpace(void* address, size_t length);

// Register access (READ_REGISTER_USHORT and friends): every 16-bit access of the
// driver to region A or B goes through these, so that a device's reaction to a
// write takes effect before the call returns. Any level. offset in bytes.
uint16_t readRegister16(volatile void* base, uint32_t offset);
void writeRegister16(volatile void* base, uint32_t offset, uint16_t value);
// One 32-bit store (two adjacent 16-bit registers at once, low word first).
void writeRegister32(volatile void* base, uint32_t offset, uint32_t value);

// Requests -----------------------------------------------------------------------
// Device controls are METHOD_BUFFERED: input and output share one buffer of
// max(inputLength, outputLength) bytes, holding the input and zeroes after it.
// On completion the first min(bytes, outputLength) bytes go back as output.

// Passive. The request's buffer if inputLength >= minimumSize, with
// *length = inputLength; else STATUS_BUFFER_TOO_SMALL (also for an input length 0).
NTSTATUS requestRetrieveInputBuffer(KRequest* request, size_t minimumSize, void** buffer, size_t* length);
// Passive. The same for the output length.
NTSTATUS requestRetrieveOutputBuffer(KRequest* request, size_t minimumSize, void** buffer, size_t* length);
// Passive. The file object the request was sent on.
KFile* requestGetFileObject(KRequest* request);
// Passive. Completes the request once; the request is gone afterwards.
void requestCompleteWithInformation(KRequest* request, NTSTATUS status, size_t bytes);
void requestComplete(KRequest* request, NTSTATUS status);

// Views in clients (MDL + MmMapLockedPages) -------------------------------------

// Passive, from the device-control callback. Makes a view of length bytes at
// kernelAddress (inside a range from mapIoSpace) in the address space of the
// client that sent request; returns its handle and the client's address of it.
// Fails with STATUS_INSUFFICIENT_RESOURCES (nothing is left behind).
NTSTATUS viewCreate(KRequest* request, void* kernelAddress, size_t length, KView** view, uint64_t* userAddress);
// Passive, from the device-control callback or file close of the file the view
// was made for. Removes the view from its client (if the client still exists)
// and frees the handle.
void viewRemove(KView* view);

// Timer and deferred routine -------------------------------------------------------
// The deferred routine runs at dispatch level on a host thread, never
// concurrently with itself. Times are in 100 ns units; negative = relative.

// Passive, prepare only. The device's timer, not armed. Cannot fail; returns the
// same object on every call for one device.
KTimer* timerInitialize(KDevice* device);
// Passive, prepare only, when the routine is neither queued nor running. The
// device's deferred routine object, bound to routine and context, not queued.
// Cannot fail; returns the same object on every call for one device.
KDpc* dpcInitialize(KDevice* device, DeferredRoutine routine, void* context);
// Any level. Arms the timer to queue dpc once dueTime from now; an armed timer
// is restarted. Returns true if it was armed already.
bool timerSet(KTimer* timer, int64_t dueTime, KDpc* dpc);
// Any level. Disarms the timer; true if it was armed. An expiry that has
// already queued the routine is not undone (see dpcRemove).
bool timerCancel(KTimer* timer);
// Any level. Queues the routine to run as soon as possible; false (and no
// effect) if it is queued already. A routine that is running is queued anew.
bool dpcInsert(KDpc* dpc);
// Passive. Takes the routine off the queue if it is queued (true then), then
// waits until no invocation of it is running. The routine may have armed the
// timer or queued itself while it ran; the caller cancels and removes again
// after making sure it will not (see the driver's release).
bool dpcRemove(KDpc* dpc);

// Thread sleep ----------------------------------------------------------------

// Passive. Sleeps the calling thread for -interval x 100 ns (interval < 0).
void delayExecutionThread(int64_t interval);

// Debug print ------------------------------------------------------------------

// Any level. format holds at most one conversion, applied to status: "%d"
// (decimal), "%X" (upper-case hex) or "%!STATUS!" (printed as it stands).
void debugPrintEx(uint32_t componentId, uint32_t level, const char* format, NTSTATUS status);

}  // namespace kernel

}  // namespace ravkern
