#include "tests/board/PeerProcess.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace boardtest {

PeerProcess::PeerProcess() {
    int toPeer[2], fromPeer[2];
    if (pipe2(toPeer, O_CLOEXEC) != 0)
        return;
    if (pipe2(fromPeer, O_CLOEXEC) != 0) {
        close(toPeer[0]);
        close(toPeer[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toPeer[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromPeer[1], STDOUT_FILENO);
    char path[] = BOARD_PEER_PATH;
    char* argv[] = {path, nullptr};
    if (posix_spawn(&pid_, path, &actions, nullptr, argv, environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(toPeer[0]);
    close(fromPeer[1]);
    in_ = toPeer[1];
    out_ = fromPeer[0];
    ready_ = pid_ > 0 && readLine() == "ready";
}

PeerProcess::~PeerProcess() {
    exit();
    if (in_ >= 0)
        close(in_);
    if (out_ >= 0)
        close(out_);
}

void PeerProcess::send(const std::string& command) {
    const std::string line = command + "\n";
    if (in_ >= 0 && write(in_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        close(in_);
        in_ = -1;
    }
}

std::string PeerProcess::ask(const std::string& command, int timeoutMs) {
    send(command);
    return readLine(timeoutMs);
}

std::string PeerProcess::readLine(int timeoutMs) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
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
        pollfd pfd{out_, POLLIN, 0};
        if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char chunk[256];
        const ssize_t n = read(out_, chunk, sizeof chunk);
        if (n <= 0)
            return "<eof>";
        buffered_.append(chunk, static_cast<size_t>(n));
    }
}

int PeerProcess::exit() {
    if (pid_ <= 0)
        return -1;
    send("exit");
    const pid_t pid = std::exchange(pid_, -1);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > end) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace boardtest
