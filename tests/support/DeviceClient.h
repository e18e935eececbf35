// Small helpers for tests that drive a device through the library's device
// handle, plus a raw socket client that can send anything.
#pragma once

#include "driver/RavkernIoctl.h"
#include "lib/os/DeviceHandle.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ravtest {

using ravlib::os::DeviceHandle;

std::string devicePath(int number);

// An open handle, closed when it goes.
class Device {
public:
    explicit Device(int number) : handle_(ravlib::os::openDevice(devicePath(number).c_str())) {}
    ~Device() {
        if (handle_ != ravlib::os::kInvalidDevice)
            ravlib::os::closeDevice(handle_);
    }
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    bool valid() const { return handle_ != ravlib::os::kInvalidDevice; }
    DeviceHandle handle() const { return handle_; }

    int control(std::uint32_t code, const void* in, std::uint32_t inLength, void* out, std::uint32_t outLength,
                std::uint32_t* bytes = nullptr) const;
    int dipSwitch(ravkern::DipSwitchInfo& info) const;
    int connect(std::uint32_t code, const char* text, std::int32_t slen) const;
    int state(ravkern::ConnectState& state) const;
    int map(ravkern::MapRequest& request, std::uint32_t length = 0x1000) const;
    int unmap(std::uint64_t address, std::uint32_t length = 0x1000) const;

private:
    DeviceHandle handle_;
};

// A socket to a device that bypasses the handle: for bad frames and clients
// that misbehave.
class RawClient {
public:
    explicit RawClient(const std::string& socketPath);
    ~RawClient();
    bool connected() const { return fd_ >= 0; }
    bool send(const void* data, std::size_t length, int passFd = -1) const;
    // Bytes of the next message (-1 on time-out, 0 when the host closed).
    long receive(std::vector<std::uint8_t>& message, int timeoutMs = 10000, int* fd = nullptr) const;
    void close();

private:
    int fd_ = -1;
};

}  // namespace ravtest
