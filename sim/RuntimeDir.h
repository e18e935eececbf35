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

// $RAVEL_RUNTIME_DIR, else $XDG_RUNTIME_DIR/ravel, else /tmp/ravel-<uid>.
std::string runtimeDir();

// Another user who can put files in the directory can pose as the host or
// hold its objects, so it must be a directory itself (no symbolic link),
// owned by this user or by root, and writable by no other user; only a
// directory of root's may let its group write (a service shared by a group).
RuntimeDir checkRuntimeDir(const std::string& dir);

// `dir` created (mode 0700) when missing, then checked.
RuntimeDir ensureRuntimeDir(const std::string& dir);

}  // namespace ravsim
