// A ravkernd child process with its own runtime directory, for tests that
// talk to the real host.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

#include "tests/support/Sandbox.h"

namespace ravtest {

class HostProcess {
public:
    HostProcess() = default;
    ~HostProcess();  // kills a host still running; the directory goes with the sandbox
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;

    // Starts ravkernd with `args` plus --runtime-dir, and points this
    // process's device handles at that directory. Again after an exit: a new
    // host on the same directory.
    void spawn(const std::vector<std::string>& args);
    // Waits (generously) for the "ready" line; false if the host ended first.
    bool waitReady(int timeoutMs = 20000);
    // Sends `signal` and waits for the exit; the exit status, 128 + signal
    // for a host killed by a signal, or -1 on time-out.
    int stop(int signal, int timeoutMs = 20000);
    // Waits for an exit without sending anything.
    int waitExit(int timeoutMs = 20000);

    std::string dir() const { return box_.runtime(); }
    bool exists(const std::string& name) const;
    std::string standardError() const;
    std::string standardOutput() const { return stdout_; }
    pid_t pid() const { return pid_; }

private:
    void readOutput(int timeoutMs);

    Sandbox box_{Sandbox::Entry::KeepOut};
    pid_t pid_ = -1;
    int stdoutFd_ = -1;
    std::string stdout_;
    int exitStatus_ = -1;
};

}  // namespace ravtest
