// Sending and receiving the frames of DeviceWire.h on a SOCK_SEQPACKET
// socket: one frame per message, an optional descriptor alongside.
#pragma once

#include <cstddef>
#include <sys/types.h>

namespace ravsim::wire {

// Sends head and body as one message, with `passFd` (if >= 0) as SCM_RIGHTS.
// False when the peer is gone or the send fails; never raises SIGPIPE.
bool sendFrame(int socket, const void* head, std::size_t headLength, const void* body = nullptr,
               std::size_t bodyLength = 0, int passFd = -1);

struct Received {
    ssize_t length = 0;      // bytes of the message; 0 = peer closed; -1 = error or time-out
    bool timedOut = false;   // nothing arrived in time
    bool truncated = false;  // the message did not fit the buffer
    int fd = -1;             // a descriptor that came with it, owned by the caller
};

// Receives one message into buffer. Waits at most timeoutMs (-1: no limit);
// a time-out reports length -1. Extra descriptors are closed.
Received receiveFrame(int socket, void* buffer, std::size_t capacity, int timeoutMs = -1);

}  // namespace ravsim::wire
