// The DLL's load and unload: process attach and detach.
#include "lib/exports/LibraryLoad.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        // The library starts no thread that needs the per-thread calls.
        DisableThreadLibraryCalls(module);
        // A failed attach leaves the library loaded but inert.
        ravlib::processAttach();
        break;
    case DLL_PROCESS_DETACH: ravlib::processDetach(); break;
    default: break;
    }
    return TRUE;
}
