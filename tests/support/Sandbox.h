// A private current directory and runtime directory for one test, and the
// file helpers the tests share.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace ravtest {

// Moves into a fresh directory under /tmp and points RAVEL_RUNTIME_DIR
// (inherited by children) at another one beside it; both go again at the end.
class Sandbox {
public:
    Sandbox();
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
    std::filesystem::path oldCwd_;
    std::string oldRuntime_;
    bool hadRuntime_ = false;
};

// The whole file, "" when it cannot be read.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& text);

}  // namespace ravtest
