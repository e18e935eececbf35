#include "tests/support/DeviceClient.h"

#include "sim/WireSocket.h"

#include <algorithm>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace ravtest {

std::string devicePath(int number) {
    return "\\\\.\\Ravkern" + std::to_string(number);
}

int Device::control(std::uint32_t code, const void* in, std::uint32_t inLength, void* out, std::uint32_t outLength,
                    std::uint32_t* bytes) const {
    return ravlib::os::deviceIoControl(handle_, code, in, inLength, out, outLength, bytes);
}

int Device::dipSwitch(ravkern::DipSwitchInfo& info) const {
    return control(ravkern::IOCTL_BOARD_GET_DIPSW, &info, sizeof info, &info, sizeof info);
}

int Device::connect(std::uint32_t code, const char* text, std::int32_t slen) const {
    ravkern::ConnectRequest request{};
    std::memcpy(request.saText, text, std::min(std::strlen(text), sizeof request.saText));
    request.slen = slen;
    return control(code, &request, sizeof request, nullptr, 0);
}

int Device::state(ravkern::ConnectState& state) const {
    return control(ravkern::IOCTL_BOARD_GET_CONNECT_STATE, nullptr, 0, &state, sizeof state);
}

int Device::map(ravkern::MapRequest& request, std::uint32_t length) const {
    request = {ravkern::kMapCommandMap, length, 0};
    return control(ravkern::IOCTL_BOARD_MAP_MEMORY, &request, sizeof request, &request, sizeof request);
}

int Device::unmap(std::uint64_t address, std::uint32_t length) const {
    ravkern::MapRequest request{ravkern::kMapCommandUnmap, length, address};
    return control(ravkern::IOCTL_BOARD_MAP_MEMORY, &request, sizeof request, &request, sizeof request);
}

RawClient::RawClient(const std::string& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    fd_ = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        close();
}

RawClient::~RawClient() {
    close();
}

void RawClient::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool RawClient::send(const void* data, std::size_t length, int passFd) const {
    return ravsim::wire::sendFrame(fd_, data, length, nullptr, 0, passFd);
}

long RawClient::receive(std::vector<std::uint8_t>& message, int timeoutMs, int* fd) const {
    message.assign(70000, 0);
    ravsim::wire::Received got = ravsim::wire::receiveFrame(fd_, message.data(), message.size(), timeoutMs);
    if (fd)
        *fd = got.fd;
    else if (got.fd >= 0)
        ::close(got.fd);
    message.resize(got.length > 0 ? static_cast<std::size_t>(got.length) : 0);
    return got.length;
}

}  // namespace ravtest
