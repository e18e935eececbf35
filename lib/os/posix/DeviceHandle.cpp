// Device handles on Linux: a connected SOCK_SEQPACKET socket to the device
// host, speaking the frames of sim/DeviceWire.h.
#include "lib/os/DeviceHandle.h"

#include "chip/Mky43.h"
#include "sim/BoardFiles.h"
#include "sim/DeviceWire.h"
#include "sim/Interrupted.h"
#include "sim/RuntimeDir.h"
#include "sim/WireSocket.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace ravlib::os {

namespace wire = ravsim::wire;

namespace {

// A host that answers no control within this time is taken as gone.
constexpr int kReplyTimeoutMs = 30000;

thread_local std::uint32_t lastError = 0;

int fail(std::uint32_t error) {
    lastError = error;
    return -1;
}

// One open handle. Controls on it are sent one at a time.
struct Device {
    explicit Device(int fd) : socket(fd) {}
    ~Device() {
        for (std::uint8_t* view : views)
            ravsim::unmapChipWindow(view);
        close(socket);
    }

    int socket;
    std::mutex mutex;
    bool broken = false;
    std::set<std::uint8_t*> views;
    std::vector<std::uint8_t> frame = std::vector<std::uint8_t>(sizeof(wire::CompletionFrame) + wire::kMaxBuffer);
};

struct HandleTable {
    std::mutex mutex;
    std::map<DeviceHandle, std::shared_ptr<Device>> devices;
    DeviceHandle next = 4;
};

HandleTable& handles() {
    static HandleTable table;
    return table;
}

std::shared_ptr<Device> find(DeviceHandle handle) {
    HandleTable& table = handles();
    std::lock_guard lock(table.mutex);
    auto it = table.devices.find(handle);
    return it == table.devices.end() ? nullptr : it->second;
}

bool validDeviceName(std::string_view name) {
    if (name.empty() || name.size() > 64)
        return false;
    for (char c : name)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'))
            return false;
    return true;
}

// The host asks for a view while one of our controls is outstanding.
bool answerMapView(Device& device, const wire::Received& got, std::vector<std::uint8_t*>& madeNow) {
    wire::MapViewFrame ask;
    std::memcpy(&ask, device.frame.data(), sizeof ask);
    wire::ViewMappedFrame reply{wire::kViewMapped, 0, 0};
    std::uint8_t* view = nullptr;
    if (got.fd < 0 || ask.length == 0 || ask.length > mky43::kWindowSize)
        reply.error = EINVAL;
    else if (!(view = ravsim::mapChipWindow(got.fd)))
        reply.error = errno ? errno : EINVAL;
    if (got.fd >= 0)
        close(got.fd);
    if (view) {
        device.views.insert(view);
        madeNow.push_back(view);
        reply.address = reinterpret_cast<std::uintptr_t>(view);
    }
    return wire::sendFrame(device.socket, &reply, sizeof reply);
}

bool answerUnmapView(Device& device) {
    wire::UnmapViewFrame ask;
    std::memcpy(&ask, device.frame.data(), sizeof ask);
    wire::ViewUnmappedFrame reply{wire::kViewUnmapped, 0, ask.address};
    auto it = device.views.find(reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(ask.address)));
    if (it == device.views.end()) {
        reply.error = EINVAL;
    } else {
        ravsim::unmapChipWindow(*it);
        device.views.erase(it);
    }
    return wire::sendFrame(device.socket, &reply, sizeof reply);
}

std::uint32_t kindOf(const std::vector<std::uint8_t>& frame) {
    std::uint32_t kind;
    std::memcpy(&kind, frame.data(), sizeof kind);
    return kind;
}

}  // namespace

void prepareDevices() {
    handles();
}

std::uint32_t deviceLastError() {
    return lastError;
}

std::uint32_t errorFromStatus(std::uint32_t status) {
    switch (status) {
    case 0x80000005: return kErrorMoreData;
    case 0xC0000001: return kErrorGenFailure;
    case 0xC000000D: return kErrorInvalidParameter;
    case 0xC0000010: return 1;  // ERROR_INVALID_FUNCTION
    case 0xC0000017: return kErrorNotEnoughMemory;
    case 0xC0000023: return kErrorInsufficientBuffer;
    case 0xC000009A: return kErrorNoSystemResources;
    case 0xC00000A3: return kErrorNotReady;
    default: return kErrorMrMidNotFound;
    }
}

DeviceHandle openDevice(const char* path) {
    constexpr std::string_view kPrefix = "\\\\.\\";
    std::string_view text = path ? path : "";
    if (!text.starts_with(kPrefix) || !validDeviceName(text.substr(kPrefix.size()))) {
        fail(text.starts_with(kPrefix) ? kErrorInvalidName : kErrorFileNotFound);
        return kInvalidDevice;
    }
    // A device in a directory others control could be anyone's: none is found there.
    ravsim::RuntimeDir runtime = ravsim::checkRuntimeDir(ravsim::runtimeDir());
    if (!runtime.usable()) {
        fail(kErrorFileNotFound);
        return kInvalidDevice;
    }
    std::string socketPath = runtime.path + "/" + std::string(text.substr(kPrefix.size()));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof address.sun_path) {
        fail(kErrorFileNotFound);
        return kInvalidDevice;
    }
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        fail(kErrorNotEnoughMemory);
        return kInvalidDevice;
    }
    auto* peer = reinterpret_cast<sockaddr*>(&address);
    int rc = ravsim::retryInterrupted([&] { return connect(fd, peer, sizeof address); });
    if (rc != 0) {
        // A socket file nobody listens on is a device that no longer exists.
        close(fd);
        fail(kErrorFileNotFound);
        return kInvalidDevice;
    }
    HandleTable& table = handles();
    std::lock_guard lock(table.mutex);
    DeviceHandle handle = table.next;
    table.next += 4;
    table.devices.emplace(handle, std::make_shared<Device>(fd));
    // CreateFileA that opens an existing device sets ERROR_SUCCESS; the
    // controls and CloseHandle leave the error as it was when they succeed.
    lastError = 0;
    return handle;
}

int deviceIoControl(DeviceHandle handle, std::uint32_t code, const void* input, std::uint32_t inputLength, void* output,
                    std::uint32_t outputLength, std::uint32_t* bytesReturned) {
    std::shared_ptr<Device> device = find(handle);
    if (!device)
        return fail(kErrorInvalidHandle);
    if (inputLength > wire::kMaxBuffer || outputLength > wire::kMaxBuffer || (inputLength && !input) ||
        (outputLength && !output))
        return fail(kErrorInvalidParameter);

    std::lock_guard lock(device->mutex);
    if (device->broken)
        return fail(kErrorDeviceNotConnected);
    wire::ControlFrame head{wire::kControl, code, inputLength, outputLength};
    if (!wire::sendFrame(device->socket, &head, sizeof head, input, inputLength)) {
        device->broken = true;
        return fail(kErrorDeviceNotConnected);
    }
    std::vector<std::uint8_t*> madeNow;
    for (;;) {
        wire::Received got =
            wire::receiveFrame(device->socket, device->frame.data(), device->frame.size(), kReplyTimeoutMs);
        if (got.length < static_cast<ssize_t>(sizeof(std::uint32_t)) || got.truncated) {
            if (got.fd >= 0)
                close(got.fd);
            device->broken = true;
            return fail(got.timedOut ? kErrorTimeout : kErrorDeviceNotConnected);
        }
        std::uint32_t kind = kindOf(device->frame);
        std::size_t length = static_cast<std::size_t>(got.length);
        bool ok = true;
        if (kind == wire::kMapView && length == sizeof(wire::MapViewFrame)) {
            ok = answerMapView(*device, got, madeNow);
        } else if (kind == wire::kUnmapView && length == sizeof(wire::UnmapViewFrame) && got.fd < 0) {
            ok = answerUnmapView(*device);
        } else if (kind == wire::kCompletion && length >= sizeof(wire::CompletionFrame) && got.fd < 0) {
            wire::CompletionFrame reply;
            std::memcpy(&reply, device->frame.data(), sizeof reply);
            if (reply.outputLength > outputLength || length != sizeof reply + reply.outputLength) {
                device->broken = true;
                return fail(kErrorDeviceNotConnected);
            }
            if (reply.outputLength)
                std::memcpy(output, device->frame.data() + sizeof reply, reply.outputLength);
            if (bytesReturned)
                *bytesReturned = reply.information;
            if (static_cast<std::int32_t>(reply.status) >= 0)
                return 0;
            // A view made for a control that failed after all is not kept.
            for (std::uint8_t* view : madeNow) {
                device->views.erase(view);
                ravsim::unmapChipWindow(view);
            }
            return fail(errorFromStatus(reply.status));
        } else {
            if (got.fd >= 0)
                close(got.fd);
            ok = false;
        }
        if (!ok) {
            device->broken = true;
            return fail(kErrorDeviceNotConnected);
        }
    }
}

int closeDevice(DeviceHandle handle) {
    std::shared_ptr<Device> device;
    {
        HandleTable& table = handles();
        std::lock_guard lock(table.mutex);
        auto it = table.devices.find(handle);
        if (it == table.devices.end())
            return fail(kErrorInvalidHandle);
        device = std::move(it->second);
        table.devices.erase(it);
    }
    // A control still under way on another thread ends with 1167; the
    // socket and views go with the last reference.
    shutdown(device->socket, SHUT_RDWR);
    return 0;
}

}  // namespace ravlib::os
