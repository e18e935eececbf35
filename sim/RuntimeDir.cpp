#include "sim/RuntimeDir.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace ravsim {

std::string runtimeDir()
{
    if (const char* dir = std::getenv("RAVEL_RUNTIME_DIR"); dir && *dir)
        return dir;
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg)
        return std::string(xdg) + "/ravel";
    return "/tmp/ravel-" + std::to_string(getuid());
}

std::string ensureRuntimeDir()
{
    std::string dir = runtimeDir();
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    struct stat st {};
    if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return {};
    return dir;
}

}  // namespace ravsim
