// Test helpers: a private current directory and runtime directory per test
// case, and the log lines of a log file without their date and time.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace ravtest {

class Sandbox {
public:
    Sandbox() {
        char pattern[] = "/tmp/ravexports-XXXXXX";
        root_ = mkdtemp(pattern);
        oldCwd_ = std::filesystem::current_path();
        std::filesystem::create_directory(root_ + "/cwd");
        std::filesystem::create_directory(root_ + "/run");
        std::filesystem::current_path(root_ + "/cwd");
        if (const char* old = std::getenv("RAVEL_RUNTIME_DIR"))
            oldRuntime_ = old, hadRuntime_ = true;
        setenv("RAVEL_RUNTIME_DIR", runtime().c_str(), 1);
    }
    ~Sandbox() {
        std::filesystem::current_path(oldCwd_);
        if (hadRuntime_)
            setenv("RAVEL_RUNTIME_DIR", oldRuntime_.c_str(), 1);
        else
            unsetenv("RAVEL_RUNTIME_DIR");
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    std::string root() const { return root_; }
    std::string cwd() const { return root_ + "/cwd"; }
    std::string runtime() const { return root_ + "/run"; }

    // Writes a file in the current directory of the sandbox.
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(cwd() + "/" + name, std::ios::binary) << text;
    }

private:
    std::string root_;
    std::filesystem::path oldCwd_;
    std::string oldRuntime_;
    bool hadRuntime_ = false;
};

inline const char* const LOG_ALL = "[LOG]\r\nLOGLEVEL=10007H\r\n";

// The lines of a log file with the "MM/DD/YY HH:MM:SS " prefix removed, so
// each holds the level marker and the message. A line without the prefix or
// without "\r\n" is kept whole and marked, so that a comparison shows it.
inline std::vector<std::string> logLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    static const std::regex stamp(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d )");
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back("<unterminated>" + text.substr(at));
            break;
        }
        const std::string line = text.substr(at, end - at);
        if (line.size() >= 18 && std::regex_match(line.substr(0, 18), stamp))
            lines.push_back(line.substr(18));
        else
            lines.push_back("<no stamp>" + line);
        at = end + 2;
    }
    return lines;
}

// The detail lines of an open of `board` that finds no device: its
// semaphores made, the search failing with `error`, and the close after it.
inline std::vector<std::string> noDeviceOpenLines(int board, unsigned error = 2) {
    const std::string name = "RavlibBrd" + std::to_string(board);
    const std::string prefix = "##    " + name;
    return {prefix + ": CreateSemaphore: Comm Start Semaphore: Line(0): OK: Name(" + name + "0_StaSem)",
            prefix + ": CreateSemaphore: GM Read Semaphore: Line(0): OK: Name(" + name + "0_GmSemR)",
            prefix + ": CreateSemaphore: GM Write Semaphore: Line(0): OK: Name(" + name + "0_GmSemW)",
            prefix + " open: NG: <CE=" + std::to_string(error) + ">",
            prefix + ": DestorySemaphore: Comm Start Semaphore: Line(0)",
            prefix + ": DestorySemaphore: GM Read Semaphore: Line(0)",
            prefix + ": DestorySemaphore: GM Write Semaphore: Line(0)"};
}

// Exit code of a child process, 128 + signal when it was killed.
inline int waitChild(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace ravtest
