// The shared library's load and unload: process attach and detach.
#include "lib/exports/LibraryLoad.h"

extern "C" int __cxa_atexit(void (*function)(void*), void* argument, void* dso);
extern "C" void* __dso_handle;

namespace {

void onProcessExit(void*) {
    ravlib::processDetach();
}

__attribute__((constructor)) void onProcessAttach() {
    // At exit() the static objects that attach brought to life (the log)
    // are destroyed before the loader runs destructors; an exit handler
    // registered after them runs first. The detach runs only once. The
    // handler is tied to this library, so a dlclose removes it.
    if (ravlib::processAttach())
        __cxa_atexit(onProcessExit, nullptr, &__dso_handle);
}

__attribute__((destructor)) void onProcessDetach() {
    ravlib::processDetach();
}

}  // namespace
