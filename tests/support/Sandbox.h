// A private current directory and runtime directory for one test, and the
// file helpers the tests share.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace ravtest {

// A fresh current directory and runtime directory under /tmp, removed again
// at the end. MoveIn makes them this process's current directory and
// RAVEL_RUNTIME_DIR (inherited by children) until then; KeepOut only makes
// them, for a test that hands a directory to a host or a simulated board.
class Sandbox {
public:
    enum class Entry { MoveIn, KeepOut };

    explicit Sandbox(Entry entry = Entry::MoveIn);
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& root() const { return root_; }
    std::string cwd() const { return root_ + "/cwd"; }
    std::string runtime() const { return root_ + "/run"; }

    // Writes a file in the sandbox's current directory.
    void write(const std::string& name, const std::string& text) const;
    // Names of the named-object files present now.
    std::vector<std::string> objectFiles() const;

private:
    std::string root_;
    bool movedIn_ = false;
    std::filesystem::path oldCwd_;
    std::string oldRuntime_;
    bool hadRuntime_ = false;
};

// The whole file, "" when it cannot be read.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);

}  // namespace ravtest
