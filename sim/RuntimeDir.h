// Where the processes of one system meet: device sockets, named objects, the
// log's slot table and board memory all live in this directory.
#pragma once

#include <string>

namespace ravsim {

// A runtime directory as found: its path and, when it may not be used, why.
struct RuntimeDir {
    std::string path;
    std::string refusal;  // names the directory and the reason; empty when usable

    bool usable() const { return refusal.empty(); }
};

// The installed service's directory, shared by the members of its group.
inline constexpr const char* kServiceRuntimeDir = "/run/ravel";

// $RAVEL_RUNTIME_DIR, else the service's directory when it exists, else
// $XDG_RUNTIME_DIR/ravel, else /tmp/ravel-<uid>.
std::string runtimeDir();

// The folder of the library's named objects in runtime directory `dir`.
std::string objectsDir(const std::string& dir);

// Another user who can put files in the directory can pose as the host or
// hold its objects, so it must be a directory itself (no symbolic link),
// owned by this user or by root, and writable by no other user; only a
// directory of root's may let its group write (a service shared by a group).
RuntimeDir checkRuntimeDir(const std::string& dir);

// `dir` created (mode 0700, or shared as below) when missing, then checked.
RuntimeDir ensureRuntimeDir(const std::string& dir);

// Files and folders made in a directory of root's that its group may write
// are that group's too, whatever the umask: `fd`, just made in `dir`, gets
// the directory's group and read and write for it (folders also search and
// setgid), never anything for other users. True when `dir` is not shared or
// the sharing took; a socket is given by `path` instead (fd -1).
bool shareMade(int fd, const std::string& dir, const std::string& path = {});

}  // namespace ravsim
