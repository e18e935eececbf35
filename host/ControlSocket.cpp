#include "host/ControlSocket.h"

#include "sim/RuntimeDir.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace ravhost {

namespace {

// Room for the status of a bus with every station busy, in either form.
constexpr std::size_t kMaxMessage = 65536;

bool makeAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

void setTimeout(int fd, int option, int ms) {
    timeval tv{ms / 1000, (ms % 1000) * 1000};
    setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv);
}

bool parseStation(std::string_view text, unsigned& address) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), address);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size() && address <= 63;
}

}  // namespace

std::string controlSocketPath(const std::string& runtimeDir) {
    return runtimeDir + "/ravkernd.control";
}

std::string answerControl(ravsim::Bus& bus, const StatusSource& status, std::string_view request) {
    while (!request.empty() && (request.back() == '\n' || request.back() == '\0'))
        request.remove_suffix(1);
    if (request == "status")
        return "ok\n" + formatStatus(status());
    if (request == "status --json")
        return "ok\n" + formatStatusJson(status());
    bool off = request.starts_with("station-off ");
    bool on = request.starts_with("station-on ");
    if (!off && !on)
        return "error: unknown request: " + std::string(request) + "\n";
    std::string_view number = request.substr(request.find(' ') + 1);
    unsigned address = 0;
    if (!parseStation(number, address))
        return "error: bad station address: " + std::string(number) + "\n";
    switch (bus.setStationOnBus(address, on)) {
    case ravsim::StationChange::Done: return "ok\n";
    case ravsim::StationChange::NoSuchStation: return "error: no remote station at " + std::to_string(address) + "\n";
    case ravsim::StationChange::RangeTaken: break;
    }
    return "error: a board holds a station of " + std::to_string(address) + "'s range\n";
}

ControlServer::~ControlServer() {
    close();
}

bool ControlServer::listen(const std::string& path) {
    sockaddr_un address;
    if (!makeAddress(path, address))
        return false;
    unlink(path.c_str());
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        !ravsim::shareMade(-1, path.substr(0, path.find_last_of('/') + 1), path) || ::listen(fd, 16) != 0) {
        int saved = errno;
        ::close(fd);
        errno = saved;
        return false;
    }
    fd_ = fd;
    path_ = path;
    return true;
}

void ControlServer::serveOne() {
    int fd = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0)
        return;
    setTimeout(fd, SO_RCVTIMEO, 200);
    setTimeout(fd, SO_SNDTIMEO, 200);
    char request[256];
    ssize_t n = recv(fd, request, sizeof request, 0);
    if (n > 0) {
        std::string answer = answerControl(bus_, status_, std::string_view(request, static_cast<std::size_t>(n)));
        if (answer.size() > kMaxMessage)
            answer.resize(kMaxMessage);
        if (send(fd, answer.data(), answer.size(), MSG_NOSIGNAL) < 0)
            std::fprintf(stderr, "ravkernd: control answer lost: %s\n", std::strerror(errno));
    }
    ::close(fd);
}

void ControlServer::close() {
    if (fd_ < 0)
        return;
    ::close(fd_);
    unlink(path_.c_str());
    fd_ = -1;
}

bool isControlCommand(std::string_view word) {
    return word == "status" || word == "station-off" || word == "station-on";
}

int runControlCommand(int argc, const char* const* argv) {
    std::string request = argv[1];
    std::string dir;
    int i = 2;
    if (request != "status") {
        if (i >= argc || std::string_view(argv[i]).starts_with("--")) {
            std::fprintf(stderr, "ravkernd: %s needs a station address\n", request.c_str());
            return 2;
        }
        request += std::string(" ") + argv[i++];
    }
    for (; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--runtime-dir" && i + 1 < argc && argv[i + 1][0]) {
            dir = argv[++i];
        } else if (request == "status" && std::string_view(argv[i]) == "--json") {
            request += " --json";
        } else {
            std::fprintf(stderr, "ravkernd: unexpected argument: %s\n", argv[i]);
            return 2;
        }
    }
    if (dir.empty())
        dir = ravsim::runtimeDir();
    // A host found in a directory others control could be anyone's.
    if (ravsim::RuntimeDir runtime = ravsim::checkRuntimeDir(dir); !runtime.usable()) {
        std::fprintf(stderr, "ravkernd: %s\n", runtime.refusal.c_str());
        return 1;
    }
    std::string path = controlSocketPath(dir);
    sockaddr_un address;
    int fd = makeAddress(path, address) ? socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0) : -1;
    if (fd < 0 || connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::fprintf(stderr, "ravkernd: no host answers at %s: %s\n", path.c_str(), std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return 1;
    }
    setTimeout(fd, SO_RCVTIMEO, 5000);
    std::string answer(kMaxMessage, '\0');
    ssize_t n = -1;
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()))
        n = recv(fd, answer.data(), answer.size(), 0);
    ::close(fd);
    if (n <= 0) {
        std::fprintf(stderr, "ravkernd: the host at %s did not answer\n", path.c_str());
        return 1;
    }
    answer.resize(static_cast<std::size_t>(n));
    if (answer.starts_with("ok\n")) {
        std::fputs(answer.c_str() + 3, stdout);
        return 0;
    }
    std::fprintf(stderr, "ravkernd: %s", answer.c_str());
    return 1;
}

}  // namespace ravhost
