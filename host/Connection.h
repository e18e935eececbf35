// One client connection to a device: one file object. Whichever thread
// serves it runs the driver's file create, each control in turn and the file
// close; the connection is the current one of that thread meanwhile.
#pragma once

#include "host/KernelObjects.h"

#include <cstddef>
#include <cstdint>

namespace ravhost {

class Connection {
public:
    Connection(ravkern::KDevice& device, int socket);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // File create; false when the driver refuses the file.
    bool open();
    // Reads and dispatches one control. False when the client went, sent
    // garbage or stopped answering: the connection is done, close() follows.
    bool serveOne();
    // File close.
    void close();
    // Makes a serveOne() under way or to come end; the client sees its
    // connection close.
    void shutdown();
    int socket() const { return socket_; }

    // The connection the calling thread serves, if any.
    static Connection* current();
    bool closing() const { return closing_; }

    // Inside a control of this connection: have the client map region A
    // (descriptor `fd`) and report the address, or unmap its view.
    bool mapInClient(int fd, std::size_t length, std::uint64_t& address);
    void unmapInClient(std::uint64_t address, std::size_t length);

private:
    template <typename Reply>
    bool awaitReply(std::uint32_t kind, Reply& reply);

    ravkern::KDevice& device_;
    int socket_;
    ravkern::KFile file_;
    bool closing_ = false;
    bool broken_ = false;
};

}  // namespace ravhost
