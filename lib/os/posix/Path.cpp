#include "lib/os/Path.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace ravlib::os {

namespace {

std::string currentDirectory() {
    std::vector<char> buffer(256);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > 65536)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// Joins and resolves "." and ".." by text alone, as the file need not exist.
std::string normalise(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t next = path.find('/', pos);
        if (next == std::string::npos)
            next = path.size();
        std::string part = path.substr(pos, next - pos);
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = next + 1;
    }
    std::string result;
    for (const auto& part : parts)
        result += "/" + part;
    return result.empty() ? "/" : result;
}

}  // namespace

bool fullPath(const char* name, char* out, std::size_t outSize) {
    if (name == nullptr || *name == '\0' || out == nullptr)
        return false;
    std::string joined;
    if (name[0] == '/') {
        joined = name;
    } else {
        std::string cwd = currentDirectory();
        if (cwd.empty())
            return false;
        joined = cwd + "/" + name;
    }
    bool trailingSlash = joined.back() == '/';
    std::string result = normalise(joined);
    if (trailingSlash && result != "/")
        result += '/';
    if (result.size() + 1 > outSize)
        return false;
    std::memcpy(out, result.c_str(), result.size() + 1);
    return true;
}

}  // namespace ravlib::os
