// The shared library's load and unload: process attach and detach.
#include <cstdlib>

#include "lib/LibraryLoad.h"

namespace {

void onProcessExit() {
    ravlib::processDetach();
}

__attribute__((constructor)) void onProcessAttach() {
    // At exit() the static objects that attach brought to life (the log)
    // are destroyed before the loader runs destructors; an exit handler
    // registered after them runs first. The detach runs only once.
    if (ravlib::processAttach())
        std::atexit(onProcessExit);
}

__attribute__((destructor)) void onProcessDetach() {
    ravlib::processDetach();
}

}  // namespace
