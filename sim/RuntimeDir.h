// Where the processes of one system meet: device sockets, named objects, the
// log's slot table and board memory all live in this directory.
#pragma once

#include <string>

namespace ravsim {

// $RAVEL_RUNTIME_DIR, else $XDG_RUNTIME_DIR/ravel, else /tmp/ravel-<uid>.
std::string runtimeDir();

// runtimeDir(), created (mode 0700) if missing; empty when it cannot be made.
std::string ensureRuntimeDir();

}  // namespace ravsim
