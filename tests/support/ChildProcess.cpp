#include "tests/support/ChildProcess.h"
#include "sim/Interrupted.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace ravtest {

namespace {

int exitCode(int status) {
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

pid_t startChild(const std::function<int()>& body) {
    pid_t pid = fork();
    if (pid == 0) {
        alarm(60);  // a hung child ends instead of hanging the suite
        _exit(body());
    }
    return pid;
}

int waitChild(pid_t pid) {
    int status = 0;
    pid_t done = ravsim::retryInterrupted([&] { return waitpid(pid, &status, 0); });
    return done == pid ? exitCode(status) : -1;
}

Gate::Gate() {
    (void)!pipe(fds_);
}

Gate::~Gate() {
    closeEnd(0);
    closeEnd(1);
}

bool Gate::wait() {
    char c;
    return readable(30000) && read(fds_[0], &c, 1) == 0;
}

bool Gate::send(char c) {
    return write(fds_[1], &c, 1) == 1;
}

bool Gate::receive(char& c) {
    return readable(30000) && read(fds_[0], &c, 1) == 1;
}

bool Gate::readable(int timeoutMs) {
    pollfd p{fds_[0], POLLIN, 0};
    return poll(&p, 1, timeoutMs) == 1;
}

void Gate::closeEnd(int i) {
    if (fds_[i] >= 0) {
        close(fds_[i]);
        fds_[i] = -1;
    }
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
    if (argv.empty())
        return;
    int toChild[2];
    int fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0)
        return;
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        return;
    }
    std::vector<std::string> words = argv;
    std::vector<char*> args;
    for (auto& word : words)
        args.push_back(word.data());
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    pid_t pid;
    if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
        pid_ = pid;
        running_ = true;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    in_ = toChild[1];
    out_ = fromChild[0];
}

ChildProcess::~ChildProcess() {
    if (running_)
        kill();
    if (in_ >= 0)
        close(in_);
    if (out_ >= 0)
        close(out_);
}

bool ChildProcess::writeLine(const std::string& line) {
    const std::string text = line + "\n";
    if (in_ >= 0 && write(in_, text.data(), text.size()) == static_cast<ssize_t>(text.size()))
        return true;
    if (in_ >= 0) {
        close(in_);
        in_ = -1;
    }
    return false;
}

std::string ChildProcess::readLine(int timeoutMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const size_t newline = buffered_.find('\n');
        if (newline != std::string::npos) {
            std::string line = buffered_.substr(0, newline);
            buffered_.erase(0, newline + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || out_ < 0)
            return "<timeout>";
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char chunk[256];
        const ssize_t got = read(out_, chunk, sizeof chunk);
        if (got <= 0)
            return "<eof>";
        buffered_.append(chunk, static_cast<size_t>(got));
    }
}

int ChildProcess::reap(int options) {
    pid_t done = ravsim::retryInterrupted([&] { return waitpid(pid_, &status_, options); });
    if (done == pid_ || done < 0)
        running_ = false;
    return done;
}

int ChildProcess::wait(int timeoutMs) {
    if (!running_)
        return -1;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    pid_t done;
    while ((done = reap(WNOHANG)) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill();
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done == pid_ ? exitCode(status_) : -1;
}

int ChildProcess::kill() {
    if (!running_)
        return -1;
    ::kill(pid_, SIGKILL);
    return reap(0) == pid_ ? exitCode(status_) : -1;
}

std::string selfPath() {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    return length > 0 ? std::string(self, static_cast<size_t>(length)) : std::string();
}

bool waitUntilBlockedIn(pid_t pid, pid_t tid, long number, int timeoutMs) {
    const std::string path = pid == 0 ? "/proc/self/task/" + std::to_string(tid) + "/syscall"
                                      : "/proc/" + std::to_string(pid) + "/task/" + std::to_string(tid) + "/syscall";
    for (int waited = 0; waited < timeoutMs; ++waited) {
        std::ifstream file(path);
        long current = -1;
        if (file >> current && current == number)
            return true;
        usleep(1000);
    }
    return false;
}

}  // namespace ravtest
