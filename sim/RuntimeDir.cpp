#include "sim/RuntimeDir.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace ravsim {

namespace {

std::string modeText(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

std::string reasonAgainst(const struct stat& st)
{
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

std::string runtimeDir()
{
    if (const char* dir = std::getenv("RAVEL_RUNTIME_DIR"); dir && *dir)
        return dir;
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && *xdg)
        return std::string(xdg) + "/ravel";
    return "/tmp/ravel-" + std::to_string(getuid());
}

RuntimeDir checkRuntimeDir(const std::string& dir)
{
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0)
        return {dir, "runtime directory " + dir + " cannot be examined: " + std::strerror(errno)};
    std::string reason = reasonAgainst(st);
    if (!reason.empty())
        return {dir, "runtime directory " + dir + " refused: " + reason};
    return {dir, {}};
}

RuntimeDir ensureRuntimeDir(const std::string& dir)
{
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return {dir, "runtime directory " + dir + " cannot be made: " + std::strerror(errno)};
    return checkRuntimeDir(dir);
}

}  // namespace ravsim
