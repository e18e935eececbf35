// Child processes for tests: forked functions that report through their
// exit code, and programs driven line by line through standard input and
// output.
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace ravtest {

// Forks a child that runs `body` and leaves with its result as exit code.
pid_t startChild(const std::function<int()>& body);

// Exit code of the child, 128 + signal when it was killed, -1 on error.
int waitChild(pid_t pid);

// A one-shot signal between processes: a pipe whose write end is closed to
// release everyone who reads it.
class Gate {
public:
    Gate();
    ~Gate();
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;

    // In the waiting process: drop the write end (call once, after fork).
    void becomeWaiter() { closeEnd(1); }
    // Blocks until the gate opens; true when it did.
    bool wait();
    void open() { closeEnd(1); }

    // For one-byte messages from child to parent.
    bool send(char c);
    // Waits at most 30 s, so a dead peer fails the test instead of hanging it.
    bool receive(char& c);
    // True when a message (or the end) can be read within `timeoutMs`.
    bool readable(int timeoutMs);

private:
    void closeEnd(int i);
    int fds_[2] = {-1, -1};
};

// The program argv[0] started with `argv`, its standard input and output on
// pipes to this process.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv);
    // Kills and reaps a child still running.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    bool running() const { return running_; }
    // Its process id, kept after it ended.
    pid_t pid() const { return pid_; }
    // Sends one line to its standard input.
    bool writeLine(const std::string& line);
    // The next line of its standard output, or "<timeout>" / "<eof>".
    std::string readLine(int timeoutMs = 30000);
    // Exit code once it ended within `timeoutMs`, 128 + signal when killed;
    // otherwise it is killed and the answer is -1, as on any error.
    int wait(int timeoutMs = 30000);
    // SIGKILL, then its exit code as wait() gives it.
    int kill();

private:
    int reap(int options);

    pid_t pid_ = -1;
    bool running_ = false;
    int status_ = 0;
    int in_ = -1;
    int out_ = -1;
    std::string buffered_;
};

// The path of this program, to start it again as a child.
std::string selfPath();

// System call numbers a blocked waiter sits in.
inline constexpr long kSyscallFutex = 202;
inline constexpr long kSyscallFutexWaitv = 449;

// True once thread `tid` of process `pid` (0: this process) is blocked in
// system call `number`, polled for at most `timeoutMs`. Lets a test be sure
// a waiter sleeps before it wakes it.
bool waitUntilBlockedIn(pid_t pid, pid_t tid, long number, int timeoutMs = 30000);

}  // namespace ravtest
