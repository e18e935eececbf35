#include "tests/support/FakeDevice.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "driver/RavkernIoctl.h"
#include "sim/DeviceWire.h"
#include "sim/WireSocket.h"

namespace boardtest {

namespace wire = ravsim::wire;

namespace {
constexpr uint32_t STATUS_INSUFFICIENT_RESOURCES = 0xC000009A;
}

FakeDevice::FakeDevice(const std::string& dir, int number, int32_t switchValue)
    : path_(dir + "/Ravkern" + std::to_string(number)), switchValue_(switchValue) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path_.c_str());
    unlink(path_.c_str());
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 8) != 0) {
        close(fd);
        return;
    }
    listenFd_ = fd;
    server_ = std::thread([this] { serve(); });
}

FakeDevice::~FakeDevice() {
    stopping_ = true;
    if (server_.joinable())
        server_.join();
    if (listenFd_ >= 0)
        close(listenFd_);
    unlink(path_.c_str());
}

void FakeDevice::record(const std::string& event) {
    std::lock_guard lock(lock_);
    events_.push_back(event);
}

std::vector<std::string> FakeDevice::events() const {
    std::lock_guard lock(lock_);
    return events_;
}

bool FakeDevice::awaitEvents(size_t count) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (events().size() < count) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void FakeDevice::serve() {
    std::vector<pollfd> fds{{listenFd_, POLLIN, 0}};
    while (!stopping_) {
        if (poll(fds.data(), fds.size(), 20) <= 0)
            continue;
        for (size_t i = fds.size(); i-- > 1;) {
            if (fds[i].revents && !answer(fds[i].fd)) {
                close(fds[i].fd);
                fds.erase(fds.begin() + static_cast<std::ptrdiff_t>(i));
                record("close");
            }
        }
        if (fds[0].revents & POLLIN) {
            const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                fds.push_back({fd, POLLIN, 0});
                record("open");
            }
        }
    }
    for (size_t i = 1; i < fds.size(); ++i)
        close(fds[i].fd);
}

// One control and its completion; false once the peer has gone.
bool FakeDevice::answer(int fd) {
    std::vector<uint8_t> frame(sizeof(wire::ControlFrame) + wire::kMaxBuffer);
    const wire::Received got = wire::receiveFrame(fd, frame.data(), frame.size(), 0);
    if (got.fd >= 0)
        close(got.fd);
    if (got.length < static_cast<ssize_t>(sizeof(wire::ControlFrame)))
        return got.length < 0 && got.timedOut;
    wire::ControlFrame control;
    std::memcpy(&control, frame.data(), sizeof control);
    char text[80];
    std::snprintf(text, sizeof text, "control %08x in %u out %u", control.code, control.inputLength,
                  control.outputLength);
    record(text);

    wire::CompletionFrame reply{wire::kCompletion, 0, 0, 0};
    ravkern::DipSwitchInfo info{};
    if (control.code == ravkern::IOCTL_BOARD_GET_DIPSW) {
        reply.status = switchStatus_;
        if (reply.status == 0) {
            std::memcpy(info.tag, "DIPSW", 5);
            info.value = switchValue_;
            reply.information = reply.outputLength = sizeof info;
        }
    } else if (control.code == ravkern::IOCTL_BOARD_MAP_MEMORY) {
        reply.status = STATUS_INSUFFICIENT_RESOURCES;
    }
    return wire::sendFrame(fd, &reply, sizeof reply, &info, reply.outputLength);
}

}  // namespace boardtest
