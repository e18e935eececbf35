#include "sim/RuntimeDir.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ravsim {

namespace {

std::string modeText(mode_t mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string reasonAgainst(const struct stat& st) {
    if (S_ISLNK(st.st_mode))
        return "it is a symbolic link";
    if (!S_ISDIR(st.st_mode))
        return "it is not a directory";
    uid_t self = geteuid();
    if (st.st_uid != self && st.st_uid != 0)
        return "it belongs to uid " + std::to_string(st.st_uid) + ", not to uid " + std::to_string(self);
    if (st.st_mode & S_IWOTH)
        return "other users may write in it (mode " + modeText(st.st_mode) + ")";
    if ((st.st_mode & S_IWGRP) && st.st_uid != 0)
        return "its group may write in it (mode " + modeText(st.st_mode) + ")";
    return {};
}

}  // namespace

std::string runtimeDir() {
    if (const char* dir = std::getenv("RAVEL_RUNTIME_DIR"); dir && *dir)
        return dir;
    struct stat st {};
    if (lstat(kServiceRuntimeDir, &st) == 0)
        return kServiceRuntimeDir;
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg)
        return std::string(xdg) + "/ravel";
    return "/tmp/ravel-" + std::to_string(getuid());
}

std::string objectsDir(const std::string& dir) {
    return dir + "/objects";
}

RuntimeDir checkRuntimeDir(const std::string& dir) {
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0)
        return {dir, "runtime directory " + dir + " cannot be examined: " + std::strerror(errno)};
    std::string reason = reasonAgainst(st);
    if (!reason.empty())
        return {dir, "runtime directory " + dir + " refused: " + reason};
    return {dir, {}};
}

RuntimeDir ensureRuntimeDir(const std::string& dir) {
    if (mkdir(dir.c_str(), 0700) == 0) {
        int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        bool shared = fd >= 0 && shareMade(fd, dir.substr(0, dir.find_last_of('/') + 1));
        int error = errno;
        if (fd >= 0)
            close(fd);
        if (!shared)
            return {dir,
                    "runtime directory " + dir + " cannot be shared with its parent's group: " + std::strerror(error)};
    } else if (errno != EEXIST) {
        return {dir, "runtime directory " + dir + " cannot be made: " + std::strerror(errno)};
    }
    return checkRuntimeDir(dir);
}

bool shareMade(int fd, const std::string& dir, const std::string& path) {
    struct stat parent {};
    if (lstat(dir.empty() ? "." : dir.c_str(), &parent) != 0 || parent.st_uid != 0 ||
        (parent.st_mode & (S_IWGRP | S_IWOTH)) != S_IWGRP)
        return true;
    struct stat st {};
    if (fd >= 0 ? fstat(fd, &st) != 0 : lstat(path.c_str(), &st) != 0)
        return false;
    if (st.st_uid != geteuid())
        return true;  // another member's, shared when it was made
    mode_t mode = S_ISDIR(st.st_mode) ? S_ISGID | 0770 : 0660;
    if (fd >= 0)
        return (st.st_gid == parent.st_gid || fchown(fd, -1, parent.st_gid) == 0) && fchmod(fd, mode) == 0;
    return (st.st_gid == parent.st_gid || lchown(path.c_str(), -1, parent.st_gid) == 0) &&
           chmod(path.c_str(), mode) == 0;
}

}  // namespace ravsim
