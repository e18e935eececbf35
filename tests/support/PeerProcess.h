// The library_peer program as a child process, driven line by line.
#pragma once

#include <string>
#include <sys/types.h>

#include "tests/support/ChildProcess.h"

namespace boardtest {

class PeerProcess {
public:
    // Starts the peer in the current directory and environment and waits for
    // its "ready" line.
    PeerProcess();
    // Ends a peer still running (exit command, then SIGKILL after 20 s).
    ~PeerProcess();
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;

    bool ready() const { return ready_; }
    // Sends a command and returns its answer, "<timeout>" or "<eof>".
    std::string ask(const std::string& command, int timeoutMs = 20000);
    // Sends a command without waiting for the answer.
    void send(const std::string& command);
    std::string readLine(int timeoutMs = 20000);
    // Unloads the library and waits for the exit code.
    int exit();
    // Ends the peer at once with SIGKILL, the library still attached.
    void kill();
    // Its process id, kept after it ended.
    pid_t pid() const { return child_.pid(); }

private:
    ravtest::ChildProcess child_;
    bool ready_ = false;
};

}  // namespace boardtest
