#include "lib/os/posix/PlantedLink.h"

#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ravlib::os {

bool plantedLink(const char* path) {
    struct stat link {};
    if (lstat(path, &link) != 0 || !S_ISLNK(link.st_mode) || link.st_uid == geteuid())
        return false;
    std::string name = path;
    std::size_t slash = name.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
    struct stat st {};
    // A directory that cannot be looked at gives no reason to trust the link.
    return stat(dir.c_str(), &st) != 0 || (st.st_mode & S_IWOTH) != 0;
}

}  // namespace ravlib::os
