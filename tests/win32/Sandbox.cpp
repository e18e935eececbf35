// Sandbox on Windows: a fresh current directory under the temporary folder.
// Named objects are kernel objects there, not files of a runtime directory.
#include "tests/support/Sandbox.h"

#include <random>
#include <stdexcept>

namespace ravtest {

Sandbox::Sandbox(Entry entry) {
    std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int attempt = 0; root_.empty() && attempt < 100; ++attempt) {
        std::filesystem::path root = base / ("ravtest-" + std::to_string(random()));
        if (std::filesystem::create_directory(root))
            root_ = root.string();
    }
    if (root_.empty())
        throw std::runtime_error("no temporary directory for the test");
    std::filesystem::create_directory(cwd());
    std::filesystem::create_directory(runtime());
    if (entry == Entry::KeepOut)
        return;
    movedIn_ = true;
    oldCwd_ = std::filesystem::current_path();
    std::filesystem::current_path(cwd());
}

Sandbox::~Sandbox() {
    std::error_code ignored;
    if (movedIn_)
        std::filesystem::current_path(oldCwd_, ignored);
    std::filesystem::remove_all(root_, ignored);
}

void Sandbox::write(const std::string& name, const std::string& text) const {
    writeFile(cwd() + "/" + name, text);
}

std::vector<std::string> Sandbox::objectFiles() const {
    return {};
}

}  // namespace ravtest
