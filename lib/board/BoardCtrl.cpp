#include "lib/board/BoardCtrl.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "chip/Mky43.h"
#include "lib/Ravlib.h"
#include "lib/files/IniFile.h"
#include "lib/files/LogFile.h"
#include "lib/os/SharedPlace.h"
#include "lib/sync/EvntCtrl.h"
#include "lib/sync/MutxCtrl.h"
#include "lib/sync/SemCtrl.h"
#include "lib/window/MailThd.h"

namespace ravlib {

namespace {
constexpr const char* kBoardNameBase = "RavlibBrd";
constexpr const char* kDevicePathBase = "\\\\.\\Ravkern";
constexpr int32_t kDevices = 4;
constexpr const char* kMailEventWords[BoardCtrl::kMailEvents] = {"MailRecv1", "MailRecv2", "MailSeRes", "MailClose",
                                                                 "MailError"};
}  // namespace

BoardCtrl::BoardCtrl(int32_t boardNo) : boardNo_(boardNo), deviceNo_(boardNo) {
    std::snprintf(boardName_, sizeof boardName_, "%s%d", kBoardNameBase, boardNo);
    for (int i = 0; i < kMailEvents; ++i)
        std::snprintf(mailEventBase_[i], sizeof mailEventBase_[i], "%s_%d", kMailEventWords[i], boardNo);
}

// The named objects and the mail thread release themselves; the device
// handle (and any view made through it) is released here.
BoardCtrl::~BoardCtrl() {
    closeDevice();
}

int32_t BoardCtrl::open() {
    // Devices and objects in a place that others control could be anyone's.
    if (std::string refusal = os::sharedPlaceRefusal(); !refusal.empty()) {
        theLog().writef(LOG_DETAIL, "%s open: NG: <%s>", boardName_, refusal.c_str());
        return MKY43_ER_OPENDEVICE;
    }
    if (!createSemaphores(0))
        return MKY43_ER_CREATESEMAPH;

    char section[32], key[32];
    std::snprintf(section, sizeof section, "BOARD_%d", boardNo_);
    std::snprintf(key, sizeof key, "Baudrate_%d", 0);
    baudRate_[0].store(theConfig().getInt(section, key, -1), std::memory_order_relaxed);

    if (!searchDevice()) {
        theLog().writef(LOG_DETAIL, "%s open: NG: <CE=%u>", boardName_, os::deviceLastError());
        return MKY43_ER_OPENDEVICE;
    }
    theLog().writef(LOG_DETAIL, "%s open: OK: <Device=%s, Handle=%u>", boardName_, devicePath_,
                    static_cast<unsigned>(openHandle_));

    if (!createMailThreads(0))
        return MKY43_ER_CREATETHREAD;
    if (!createMailEvents(0))
        return MKY43_ER_CREATEEVENT;
    // A window that cannot be mapped is no failure of the open: the
    // operations that need it answer MKY43_ER_UNCONNECT.
    mapWindow();
    theLog().writef(LOG_DETAIL, "%s mky40map: OK: ", boardName_);
    return MKY43_ER_OK;
}

// Devices are numbered from 0 without gaps; the first whose switch (low two
// bits) names this board is kept open.
bool BoardCtrl::searchDevice() {
    for (int32_t n = 0; n < kDevices; ++n) {
        char path[260];
        std::snprintf(path, sizeof path, "%s%d", kDevicePathBase, n);
        if (openDevice(path) == os::kInvalidDevice)
            return false;
        ravkern::DipSwitchInfo info = {};
        if (ioGetDipSwitch(&info) != 0) {
            closeDevice();
            return false;
        }
        if ((info.value & 3) != boardNo_) {
            closeDevice();
            continue;
        }
        openHandle_ = hDevice_;
        deviceNo_ = n;
        std::snprintf(devicePath_, sizeof devicePath_, "%s", path);
        return true;
    }
    return false;
}

void BoardCtrl::close(bool waitForThread) {
    gate_.shutAndDrain();
    closeAllMail();
    if (openHandle_ != os::kInvalidDevice) {
        unmapWindow();
        closeDevice();
        theLog().writef(LOG_DETAIL, "%s close: OK: <Device=%s, Handle=%u, CE=%u>", boardName_, devicePath_,
                        static_cast<unsigned>(openHandle_), os::deviceLastError());
    }
    openHandle_ = os::kInvalidDevice;
    destroyMailEvents(0);
    stopMailThreads(0, waitForThread ? 1 : 0);
    destroySemaphores(0);
}

void BoardCtrl::finish() {
    if (theLog().processCount() > 1)
        return;
    reset(0, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stop(0);
    theLog().writef(LOG_DETAIL, "%s Finish: OK: ", boardName_);
}

// The whole address is kept: a view above 4 GiB stays reachable.
int32_t BoardCtrl::mapWindow() {
    unmapWindow();
    mapRequest_.command = ravkern::kMapCommandMap;
    mapRequest_.length = mky43::kWindowSize;
    mapRequest_.userAddress = 0;
    if (ioMapMemory(&mapRequest_) != 0)
        return -1;
    gmBase_ = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(mapRequest_.userAddress));
    if (mailThread_[0])
        mailThread_[0]->setGmBase(gmBase_);
    return 0;
}

// The mail thread lets go of the window before it goes, and gets it back
// when the driver refuses the unmap.
int32_t BoardCtrl::unmapWindow() {
    mapRequest_.command = ravkern::kMapCommandUnmap;
    if (mailThread_[0])
        mailThread_[0]->setGmBase(nullptr);
    if (gmBase_ && ioMapMemory(&mapRequest_) != 0) {
        if (mailThread_[0])
            mailThread_[0]->setGmBase(gmBase_);
        return -1;
    }
    gmBase_ = nullptr;
    return 0;
}

// A line has mail open exactly while it holds its Mail Open Mutex.
void BoardCtrl::closeAllMail() {
    for (int32_t line = 0; line < 1; ++line)
        if (mailOpenMutex_[line])
            mailClose(line);
}

int32_t BoardCtrl::getConnectState(int32_t, int32_t* stationAdr, int32_t* stationSize) const {
    std::lock_guard lock(stationLock_);
    *stationAdr = stationAdr_;
    *stationSize = stationSize_;
    return MKY43_ER_OK;
}

void BoardCtrl::recordStation(int32_t stationAdr, int32_t stationSize) {
    std::lock_guard lock(stationLock_);
    stationAdr_ = stationAdr;
    stationSize_ = stationSize;
}

void BoardCtrl::setRateCode(int32_t line, int32_t rateCode) {
    baudRate_[line].store(rateCode, std::memory_order_relaxed);
}

int32_t BoardCtrl::free(int32_t) {
    return MKY43_ER_OK;
}

}  // namespace ravlib
