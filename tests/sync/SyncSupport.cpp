#include "SyncSupport.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace synctest {

RuntimeScope::RuntimeScope()
{
    char pattern[] = "/tmp/ravsync-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made != nullptr ? made : "";
    if (const char* old = std::getenv("RAVEL_RUNTIME_DIR")) {
        previous_ = old;
        hadPrevious_ = true;
    }
    setenv("RAVEL_RUNTIME_DIR", path_.c_str(), 1);
}

RuntimeScope::~RuntimeScope()
{
    if (hadPrevious_)
        setenv("RAVEL_RUNTIME_DIR", previous_.c_str(), 1);
    else
        unsetenv("RAVEL_RUNTIME_DIR");
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> RuntimeScope::objectFiles() const
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_ + "/objects", ec)) {
        std::string name = entry.path().filename().string();
        if (name[0] != '.')
            names.push_back(name);
    }
    return names;
}

Child::Child(const std::vector<std::string>& roleAndArgs)
{
    int out[2];
    int in[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return;
    if (pipe2(in, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return;
    }
    std::vector<std::string> words = {"/proc/self/exe", "--role"};
    words.insert(words.end(), roleAndArgs.begin(), roleAndArgs.end());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length > 0) {
        self[length] = '\0';
        pid_t pid;
        if (posix_spawn(&pid, self, &actions, nullptr, argv.data(), environ) == 0)
            pid_ = pid;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(in[0]);
    out_ = out[0];
    in_ = in[1];
}

Child::~Child()
{
    if (pid_ > 0) {
        kill9();
        wait();
    }
    if (out_ >= 0)
        close(out_);
    if (in_ >= 0)
        close(in_);
}

std::string Child::readLine(int timeoutMs)
{
    for (;;) {
        std::size_t end = buffered_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffered_.substr(0, end);
            buffered_.erase(0, end + 1);
            return line;
        }
        pollfd p {out_, POLLIN, 0};
        int ready = poll(&p, 1, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return "<timeout>";
        char chunk[256];
        ssize_t got = read(out_, chunk, sizeof(chunk));
        if (got <= 0)
            return "<eof>";
        buffered_.append(chunk, static_cast<std::size_t>(got));
    }
}

bool Child::writeLine(const std::string& line)
{
    std::string text = line + "\n";
    return in_ >= 0 && write(in_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

void Child::kill9()
{
    if (pid_ > 0)
        kill(pid_, SIGKILL);
}

int Child::wait()
{
    if (pid_ <= 0)
        return -1;
    int status = 0;
    pid_t done;
    do {
        done = waitpid(pid_, &status, 0);
    } while (done < 0 && errno == EINTR);
    pid_ = -1;
    if (done < 0)
        return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

bool waitUntilBlockedIn(pid_t pid, pid_t tid, long number, int timeoutMs)
{
    std::string path = pid == 0 ? "/proc/self/task/" + std::to_string(tid) + "/syscall"
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

}  // namespace synctest
