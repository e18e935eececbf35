// The DLL's load and unload: process attach and detach.
#include "lib/exports/LibraryLoad.h"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        // A failed attach leaves the library loaded but inert.
        ravlib::processAttach();
        break;
    case DLL_PROCESS_DETACH: ravlib::processDetach(); break;
    default: break;
    }
    return TRUE;
}
