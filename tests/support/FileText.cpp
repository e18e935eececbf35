// Whole files as text, the same on every platform the tests run on.
#include "tests/support/Sandbox.h"

#include <fstream>
#include <sstream>

namespace ravtest {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace ravtest
