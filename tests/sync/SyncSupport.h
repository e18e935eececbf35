// Test helpers: a private runtime directory per case, and child processes
// that run this test program again in a named role, talking through a pipe.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace synctest {

// Sets RAVEL_RUNTIME_DIR (inherited by children) to a fresh directory and
// removes it again.
class RuntimeScope {
public:
    RuntimeScope();
    ~RuntimeScope();
    RuntimeScope(const RuntimeScope&) = delete;
    RuntimeScope& operator=(const RuntimeScope&) = delete;

    const std::string& path() const { return path_; }
    // Names of the object files present now.
    std::vector<std::string> objectFiles() const;

private:
    std::string path_;
    std::string previous_;
    bool hadPrevious_ = false;
};

// This program run again with `--role <role> args...`; its standard output
// comes back line by line.
class Child {
public:
    explicit Child(const std::vector<std::string>& roleAndArgs);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }
    // The next line, or "<timeout>" / "<eof>" after `timeoutMs`.
    std::string readLine(int timeoutMs = 30000);
    // Sends one line to the child's standard input.
    bool writeLine(const std::string& line);
    void kill9();
    // Exit code, 128 + signal when killed, -1 on error.
    int wait();

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int in_ = -1;
    std::string buffered_;
};

// System call numbers a blocked waiter sits in.
inline constexpr long kSyscallFutex = 202;
inline constexpr long kSyscallFutexWaitv = 449;

// True once thread `tid` of process `pid` (0: this process) is blocked in
// system call `number`, polled for at most `timeoutMs`. Lets a test be sure
// a waiter sleeps before it wakes it.
bool waitUntilBlockedIn(pid_t pid, pid_t tid, long number, int timeoutMs = 30000);

// Runs a role when the program was started as a child; -1 when it was not.
int runRole(int argc, char** argv);

}  // namespace synctest
