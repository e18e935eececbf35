#include "lib/exports/LibraryLoad.h"

#include <atomic>

#include "lib/board/BoardTable.h"
#include "lib/files/IniFile.h"
#include "lib/files/LogFile.h"
#include "lib/os/DeviceHandle.h"

namespace ravlib {

namespace {
constinit std::atomic<bool> serving{false};
}

bool processAttach() {
    theConfig().setFile("Ravlib.ini");
    if (!theLog().open("RavlibLog", "RavlibLog.ini", "RavlibLog.Map", 0)) {
        // Give the slot back: an inert library must not count as loaded.
        theLog().close();
        return false;
    }
    theLog().write(LOG_TRACE, "------------------- Ravlib.dll Service Start -------------------");
    // Before the exit handler is registered, so that at exit() the device
    // layer is still there when the handler closes the boards left open.
    os::prepareDevices();
    boardTable().clear();
    serving.store(true, std::memory_order_release);
    return true;
}

void processDetach() {
    if (!serving.exchange(false, std::memory_order_acq_rel))
        return;
    for (int32_t board = 0; board < BoardTable::kSlots; ++board) {
        if (std::shared_ptr<BoardCtrl> ctrl = boardTable().take(board)) {
            ctrl->finish();
            ctrl->close(false);
        }
    }
    theLog().write(LOG_TRACE, "------------------- Ravlib.dll Service Stop -------------------");
    theLog().close();
}

bool inService() {
    return serving.load(std::memory_order_acquire);
}

}  // namespace ravlib
