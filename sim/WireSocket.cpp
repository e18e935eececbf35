#include "sim/WireSocket.h"
#include "sim/Interrupted.h"

#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ravsim::wire {

bool sendFrame(int socket, const void* head, std::size_t headLength, const void* body, std::size_t bodyLength,
               int passFd) {
    iovec parts[2] = {{const_cast<void*>(head), headLength}, {const_cast<void*>(body), bodyLength}};
    msghdr msg{};
    msg.msg_iov = parts;
    msg.msg_iovlen = bodyLength ? 2 : 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    if (passFd >= 0) {
        msg.msg_control = control;
        msg.msg_controllen = sizeof(control);
        cmsghdr* cm = CMSG_FIRSTHDR(&msg);
        cm->cmsg_level = SOL_SOCKET;
        cm->cmsg_type = SCM_RIGHTS;
        cm->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(cm), &passFd, sizeof(int));
    }
    ssize_t sent = retryInterrupted([&] { return sendmsg(socket, &msg, MSG_NOSIGNAL); });
    return sent == static_cast<ssize_t>(headLength + bodyLength);
}

Received receiveFrame(int socket, void* buffer, std::size_t capacity, int timeoutMs) {
    Received result;
    if (timeoutMs >= 0) {
        pollfd pfd{socket, POLLIN, 0};
        int ready = retryInterrupted([&] { return poll(&pfd, 1, timeoutMs); });
        if (ready <= 0) {
            result.length = -1;
            result.timedOut = ready == 0;
            return result;
        }
    }
    iovec part{buffer, capacity};
    msghdr msg{};
    msg.msg_iov = &part;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))];
    msg.msg_control = control;
    msg.msg_controllen = sizeof(control);
    ssize_t got = retryInterrupted([&] { return recvmsg(socket, &msg, MSG_CMSG_CLOEXEC); });
    result.length = got;
    result.truncated = got >= 0 && (msg.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) != 0;
    if (got >= 0) {
        for (cmsghdr* cm = CMSG_FIRSTHDR(&msg); cm; cm = CMSG_NXTHDR(&msg, cm)) {
            if (cm->cmsg_level != SOL_SOCKET || cm->cmsg_type != SCM_RIGHTS)
                continue;
            std::size_t count = (cm->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t i = 0; i < count; ++i) {
                int fd;
                std::memcpy(&fd, CMSG_DATA(cm) + i * sizeof(int), sizeof(int));
                if (result.fd < 0)
                    result.fd = fd;
                else
                    close(fd);
            }
        }
    }
    return result;
}

}  // namespace ravsim::wire
