// What the host keeps behind the objects of driver/kernel.h.
#pragma once

#include "driver/kernel.h"
#include "host/TickWorker.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ravhost {

class Connection;

// Zeroed, max_align_t-aligned storage of a given size.
class ContextStorage {
public:
    void allocate(std::size_t size) {
        std::size_t n = (size + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
        storage_ = n ? std::make_unique<std::max_align_t[]>(n) : nullptr;
    }
    void* get() const { return storage_.get(); }

private:
    std::unique_ptr<std::max_align_t[]> storage_;
};

}  // namespace ravhost

namespace ravkern {

struct KDriver {
    DriverConfig config{};
    bool created = false;
};

struct KResourceList {
    std::vector<ResourceDescriptor> descriptors;
};

struct KTimer {
    ravhost::TickWorker* worker;
};

struct KDpc {
    ravhost::TickWorker* worker;
};

struct KQueue {
    KDevice* device;
    QueueConfig config;
};

struct KDevice {
    std::string name;
    std::string linkName;
    PnpPowerCallbacks pnp{};
    FileObjectConfig fileConfig{};
    ravhost::ContextStorage context;
    std::unique_ptr<KQueue> queue;
    ravhost::TickWorker ticks;
    KTimer timer{&ticks};
    KDpc dpc{&ticks};

    // Requests enter only while the device is started; release waits for
    // those inside to leave.
    std::mutex gateMutex;
    std::condition_variable gateIdle;
    bool started = false;
    int inside = 0;

    bool enter() {
        std::lock_guard lock(gateMutex);
        if (!started)
            return false;
        ++inside;
        return true;
    }
    void leave() {
        std::lock_guard lock(gateMutex);
        if (--inside == 0)
            gateIdle.notify_all();
    }
    void closeGate() {
        std::unique_lock lock(gateMutex);
        started = false;
        gateIdle.wait(lock, [this] { return inside == 0; });
    }
};

struct KDeviceInit {
    std::string name;
    PnpPowerCallbacks pnp{};
    FileObjectConfig fileConfig{};
    std::unique_ptr<KDevice> device;  // what deviceCreate made
};

struct KFile {
    KDevice* device;
    ravhost::Connection* connection;
    ravhost::ContextStorage context;
};

struct KRequest {
    KFile* file = nullptr;
    std::vector<std::uint8_t> buffer;  // METHOD_BUFFERED: max(input, output) bytes
    std::size_t inputLength = 0;
    std::size_t outputLength = 0;
    bool completed = false;
    NTSTATUS status = STATUS_SUCCESS;
    std::size_t information = 0;
};

struct KView {
    ravhost::Connection* connection;
    std::uint64_t userAddress;
    std::size_t length;
};

}  // namespace ravkern
