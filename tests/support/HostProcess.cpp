#include "tests/support/HostProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace ravtest {

HostProcess::~HostProcess() {
    if (pid_ > 0 && exitStatus_ < 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (stdoutFd_ >= 0)
        close(stdoutFd_);
}

void HostProcess::spawn(const std::vector<std::string>& args) {
    if (stdoutFd_ >= 0)
        close(stdoutFd_);
    stdoutFd_ = -1;
    stdout_.clear();
    exitStatus_ = -1;
    setenv("RAVEL_RUNTIME_DIR", dir().c_str(), 1);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return;
    std::string errPath = dir() + "/stderr.txt";
    pid_ = fork();
    if (pid_ == 0) {
        // A test program that dies (a time-out, a crash) takes its host along.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(out[1], 1);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, 2);
        std::vector<std::string> all{RAVKERND_PATH, "--runtime-dir", dir()};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    stdoutFd_ = out[0];
}

void HostProcess::readOutput(int timeoutMs) {
    pollfd pfd{stdoutFd_, POLLIN, 0};
    if (poll(&pfd, 1, timeoutMs) <= 0)
        return;
    char buffer[256];
    ssize_t n = read(stdoutFd_, buffer, sizeof buffer);
    if (n > 0)
        stdout_.append(buffer, static_cast<std::size_t>(n));
    else
        pfd.fd = -1;
}

bool HostProcess::waitReady(int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (stdout_.find("ready\n") == std::string::npos) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        int status;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            readOutput(0);
            return stdout_.find("ready\n") != std::string::npos;
        }
        readOutput(50);
    }
    return true;
}

int HostProcess::waitExit(int timeoutMs) {
    if (exitStatus_ >= 0)
        return exitStatus_;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        int status;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            readOutput(0);
            return exitStatus_;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
}

int HostProcess::stop(int signal, int timeoutMs) {
    if (exitStatus_ < 0)
        kill(pid_, signal);
    return waitExit(timeoutMs);
}

bool HostProcess::exists(const std::string& name) const {
    return access((dir() + "/" + name).c_str(), F_OK) == 0;
}

std::string HostProcess::standardError() const {
    std::ifstream in(dir() + "/stderr.txt");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace ravtest
