#include "host/Connection.h"

#include "sim/DeviceWire.h"
#include "sim/WireSocket.h"

#include <algorithm>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace ravhost {

namespace wire = ravsim::wire;

namespace {

thread_local Connection* currentConnection = nullptr;

// The connection a thread serves, for as long as it serves it.
class CurrentConnection {
public:
    explicit CurrentConnection(Connection* connection) { currentConnection = connection; }
    ~CurrentConnection() { currentConnection = nullptr; }
    CurrentConnection(const CurrentConnection&) = delete;
    CurrentConnection& operator=(const CurrentConnection&) = delete;
};

// A client that does not answer a map or unmap within this time is dropped.
constexpr int kClientReplyTimeoutMs = 5000;

}  // namespace

Connection::Connection(ravkern::KDevice& device, int socket)
    : device_(device), socket_(socket), file_{&device, this, {}} {
    file_.context.allocate(device.fileConfig.contextSize);
}

Connection::~Connection() {
    ::close(socket_);
}

Connection* Connection::current() {
    return currentConnection;
}

void Connection::shutdown() {
    ::shutdown(socket_, SHUT_RDWR);
}

bool Connection::open() {
    CurrentConnection current(this);
    if (!device_.fileConfig.fileCreate)
        return true;
    ravkern::KRequest create;
    create.file = &file_;
    device_.fileConfig.fileCreate(&device_, &create, &file_);
    return create.completed && ravkern::NT_SUCCESS(create.status);
}

void Connection::close() {
    CurrentConnection current(this);
    closing_ = true;
    if (device_.fileConfig.fileClose)
        device_.fileConfig.fileClose(&file_);
}

bool Connection::serveOne() {
    CurrentConnection current(this);
    // One frame buffer per serving thread: an idle connection holds none.
    thread_local std::vector<std::uint8_t> frame(sizeof(wire::ControlFrame) + wire::kMaxBuffer);
    wire::Received got = wire::receiveFrame(socket_, frame.data(), frame.size());
    if (got.fd >= 0)
        ::close(got.fd);  // clients never pass descriptors
    if (got.length < static_cast<ssize_t>(sizeof(wire::ControlFrame)) || got.truncated || got.fd >= 0)
        return false;
    wire::ControlFrame head;
    std::memcpy(&head, frame.data(), sizeof head);
    if (head.kind != wire::kControl || head.inputLength > wire::kMaxBuffer || head.outputLength > wire::kMaxBuffer ||
        static_cast<std::size_t>(got.length) != sizeof head + head.inputLength)
        return false;

    ravkern::KRequest request;
    request.file = &file_;
    request.inputLength = head.inputLength;
    request.outputLength = head.outputLength;
    request.buffer.assign(std::max(head.inputLength, head.outputLength), 0);
    if (head.inputLength)
        std::memcpy(request.buffer.data(), frame.data() + sizeof head, head.inputLength);

    if (device_.enter()) {
        device_.queue->config.deviceControl(device_.queue.get(), &request, head.outputLength, head.inputLength,
                                            head.code);
        device_.leave();
        if (!request.completed) {
            request.status = ravkern::STATUS_UNSUCCESSFUL;
            request.information = 0;
        }
    } else {
        request.status = ravkern::STATUS_DEVICE_NOT_READY;
    }

    wire::CompletionFrame reply{wire::kCompletion, static_cast<std::uint32_t>(request.status),
                                static_cast<std::uint32_t>(request.information),
                                static_cast<std::uint32_t>(std::min(request.information, request.outputLength))};
    bool sent = wire::sendFrame(socket_, &reply, sizeof reply, request.buffer.data(), reply.outputLength);
    return sent && !broken_;
}

template <typename Reply>
bool Connection::awaitReply(std::uint32_t kind, Reply& reply) {
    std::uint8_t buffer[sizeof(Reply) + 1];
    wire::Received got = wire::receiveFrame(socket_, buffer, sizeof buffer, kClientReplyTimeoutMs);
    if (got.fd >= 0)
        ::close(got.fd);
    if (got.length != static_cast<ssize_t>(sizeof(Reply)) || got.fd >= 0) {
        broken_ = true;
        return false;
    }
    std::memcpy(&reply, buffer, sizeof reply);
    if (reply.kind != kind) {
        broken_ = true;
        return false;
    }
    return true;
}

bool Connection::mapInClient(int fd, std::size_t length, std::uint64_t& address) {
    if (broken_ || closing_)
        return false;
    wire::MapViewFrame ask{wire::kMapView, static_cast<std::uint32_t>(length)};
    if (!wire::sendFrame(socket_, &ask, sizeof ask, nullptr, 0, fd)) {
        broken_ = true;
        return false;
    }
    wire::ViewMappedFrame reply{};
    if (!awaitReply(wire::kViewMapped, reply) || reply.error != 0 || reply.address == 0)
        return false;
    address = reply.address;
    return true;
}

void Connection::unmapInClient(std::uint64_t address, std::size_t length) {
    if (broken_ || closing_)
        return;
    wire::UnmapViewFrame ask{wire::kUnmapView, static_cast<std::uint32_t>(length), address};
    if (!wire::sendFrame(socket_, &ask, sizeof ask)) {
        broken_ = true;
        return;
    }
    wire::ViewUnmappedFrame reply{};
    awaitReply(wire::kViewUnmapped, reply);
}

}  // namespace ravhost
