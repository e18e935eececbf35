#include "tests/support/Sandbox.h"

#include <cstdlib>
#include <stdexcept>

namespace ravtest {

Sandbox::Sandbox(Entry entry) {
    char pattern[] = "/tmp/ravtest-XXXXXX";
    if (mkdtemp(pattern) == nullptr)
        throw std::runtime_error("no temporary directory for the test");
    root_ = pattern;
    std::filesystem::create_directory(cwd());
    std::filesystem::create_directory(runtime());
    // Private, as the checks of a runtime directory want it.
    std::filesystem::permissions(runtime(), std::filesystem::perms::owner_all);
    if (entry == Entry::KeepOut)
        return;
    movedIn_ = true;
    oldCwd_ = std::filesystem::current_path();
    std::filesystem::current_path(cwd());
    if (const char* old = std::getenv("RAVEL_RUNTIME_DIR")) {
        oldRuntime_ = old;
        hadRuntime_ = true;
    }
    setenv("RAVEL_RUNTIME_DIR", runtime().c_str(), 1);
}

Sandbox::~Sandbox() {
    std::error_code ignored;
    if (movedIn_) {
        std::filesystem::current_path(oldCwd_, ignored);
        if (hadRuntime_)
            setenv("RAVEL_RUNTIME_DIR", oldRuntime_.c_str(), 1);
        else
            unsetenv("RAVEL_RUNTIME_DIR");
    }
    std::filesystem::remove_all(root_, ignored);
}

void Sandbox::write(const std::string& name, const std::string& text) const {
    writeFile(cwd() + "/" + name, text);
}

std::vector<std::string> Sandbox::objectFiles() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(runtime() + "/objects", ec)) {
        std::string name = entry.path().filename().string();
        if (name[0] != '.')
            names.push_back(name);
    }
    return names;
}

}  // namespace ravtest
