// Test helpers: a private current directory and runtime directory per test,
// and child processes that run a function and report through their exit code.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace ravtest {

class ScratchDir {
public:
    ScratchDir()
    {
        char pattern[] = "/tmp/ravtest-XXXXXX";
        root_ = mkdtemp(pattern);
        oldCwd_ = std::filesystem::current_path();
        std::filesystem::create_directory(root_ + "/cwd");
        std::filesystem::current_path(root_ + "/cwd");
        if (const char* old = std::getenv("RAVEL_RUNTIME_DIR"))
            oldRuntime_ = old, hadRuntime_ = true;
        setenv("RAVEL_RUNTIME_DIR", (root_ + "/run").c_str(), 1);
    }
    ~ScratchDir()
    {
        std::filesystem::current_path(oldCwd_);
        if (hadRuntime_)
            setenv("RAVEL_RUNTIME_DIR", oldRuntime_.c_str(), 1);
        else
            unsetenv("RAVEL_RUNTIME_DIR");
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string cwd() const { return root_ + "/cwd"; }
    std::string runtime() const { return root_ + "/run"; }

private:
    std::string root_;
    std::filesystem::path oldCwd_;
    std::string oldRuntime_;
    bool hadRuntime_ = false;
};

// Forks a child that runs `body` and leaves with its result as exit code.
inline pid_t startChild(const std::function<int()>& body)
{
    pid_t pid = fork();
    if (pid == 0) {
        alarm(60);  // a hung child ends instead of hanging the suite
        _exit(body());
    }
    return pid;
}

// Exit code of the child, 128 + signal when it was killed, -1 on error.
inline int waitChild(pid_t pid)
{
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

// A one-shot signal between processes: a pipe whose write end is closed to
// release everyone who reads it.
class Gate {
public:
    Gate() { (void)!pipe(fds_); }
    ~Gate()
    {
        closeEnd(0);
        closeEnd(1);
    }
    Gate(const Gate&) = delete;
    Gate& operator=(const Gate&) = delete;

    // In the waiting process: drop the write end (call once, after fork).
    void becomeWaiter() { closeEnd(1); }
    // Blocks until the gate opens; true when it did.
    bool wait()
    {
        char c;
        return readable(30000) && read(fds_[0], &c, 1) == 0;
    }
    void open() { closeEnd(1); }

    // For one-byte messages from child to parent.
    bool send(char c) { return write(fds_[1], &c, 1) == 1; }
    // Waits at most 30 s, so a dead peer fails the test instead of hanging it.
    bool receive(char& c) { return readable(30000) && read(fds_[0], &c, 1) == 1; }
    // True when a message (or the end) can be read within `timeoutMs`.
    bool readable(int timeoutMs)
    {
        pollfd p {fds_[0], POLLIN, 0};
        return poll(&p, 1, timeoutMs) == 1;
    }

private:
    void closeEnd(int i)
    {
        if (fds_[i] >= 0) {
            close(fds_[i]);
            fds_[i] = -1;
        }
    }
    int fds_[2] = {-1, -1};
};

}  // namespace ravtest
