// One client connection to a device: one file object. Its thread reads the
// client's controls and dispatches them one after another; connections are
// served in parallel.
#pragma once

#include "host/KernelObjects.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace ravhost {

class Connection {
public:
    Connection(ravkern::KDevice& device, int socket);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Thread body: file create, controls until the client goes or sends
    // garbage, file close.
    void run();
    // Wakes run() and makes it end; the client sees its connection close.
    void shutdown();
    bool finished() const { return finished_.load(); }

    // The connection whose thread is the caller, if any.
    static Connection* current();
    bool closing() const { return closing_; }

    // Inside a control of this connection: have the client map region A
    // (descriptor `fd`) and report the address, or unmap its view.
    bool mapInClient(int fd, std::size_t length, std::uint64_t& address);
    void unmapInClient(std::uint64_t address, std::size_t length);

private:
    bool serveOne();
    template <typename Reply>
    bool awaitReply(std::uint32_t kind, Reply& reply);

    ravkern::KDevice& device_;
    int socket_;
    ravkern::KFile file_;
    std::vector<std::uint8_t> frame_;
    bool closing_ = false;
    bool broken_ = false;
    std::atomic<bool> finished_{false};
};

}  // namespace ravhost
