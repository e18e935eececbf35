// ravkernd's control socket in the runtime directory: the network's status
// and station faults for tests and demonstrations. One request and one answer
// per connection; an answer's first line is "ok" or "error: ...".
#pragma once

#include "host/StatusReport.h"
#include "sim/Bus.h"

#include <functional>
#include <string>
#include <string_view>

namespace ravhost {

// Gathers the host's status when a request asks for it.
using StatusSource = std::function<HostStatus()>;

std::string controlSocketPath(const std::string& runtimeDir);
// The answer to one request line.
std::string answerControl(ravsim::Bus& bus, const StatusSource& status, std::string_view request);

class ControlServer {
public:
    ControlServer(ravsim::Bus& bus, StatusSource status) : bus_(bus), status_(std::move(status)) {}
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    // Replaces a dead host's socket at `path`; false with errno set.
    bool listen(const std::string& path);
    int fd() const { return fd_; }
    // Accepts one pending connection and answers it; a client that sends
    // nothing within 200 ms is dropped.
    void serveOne();
    void close();

private:
    ravsim::Bus& bus_;
    StatusSource status_;
    int fd_ = -1;
    std::string path_;
};

// The `ravkernd status [--json]|station-off SA|station-on SA [--runtime-dir DIR]`
// client: prints the answer, returns the exit status.
bool isControlCommand(std::string_view word);
int runControlCommand(int argc, const char* const* argv);

}  // namespace ravhost
