// One open board of this process: its identity, the recorded station range
// and rate code, and the operations the exports hand their work to.
// Operations may run on several threads at once; close waits for the calls
// inside the board's gate to leave before it takes the objects apart. A
// mail wait steps out of the gate while it blocks and holds the shared
// event set, so close can wake it and the set stays whole until it leaves.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "driver/RavkernIoctl.h"
#include "lib/board/CallGate.h"
#include "lib/os/DeviceHandle.h"

namespace ravlib {

class EvntCtrl;
class MailThd;
class MutxCtrl;
class SemCtrl;

class BoardCtrl {
public:
    static constexpr int kLines = 2;  // per-line members; only line 0 is used
    static constexpr int kMailEvents = 5;

    explicit BoardCtrl(int32_t boardNo);
    // Releases a device handle (and its view) that no close released; the
    // named objects and the mail thread release themselves.
    ~BoardCtrl();
    BoardCtrl(const BoardCtrl&) = delete;
    BoardCtrl& operator=(const BoardCtrl&) = delete;

    int32_t boardNo() const { return boardNo_; }
    const char* boardName() const { return boardName_; }
    const char* mailEventBase(int index) const { return mailEventBase_[index]; }
    const char* devicePath() const { return devicePath_; }
    int32_t deviceNo() const { return deviceNo_; }
    os::DeviceHandle openHandle() const { return openHandle_; }
    std::uint8_t* gmBase() const { return gmBase_; }

    // Open and close. open answers a return code; close releases whatever
    // open acquired, so it is correct after an open that stopped anywhere.
    int32_t open();
    void close(bool waitForThread);
    // At unload, before close: leaves the network when this is the last process.
    void finish();
    // The chip window into this process: 0, or -1 when the driver refuses.
    int32_t mapWindow();
    int32_t unmapWindow();
    // Closes the mail of every line that has it open.
    void closeAllMail();

    // Communication control.
    int32_t start(int32_t line, int32_t stationAdr, int32_t stationSize);
    int32_t startLf(int32_t line, int32_t stationAdr, int32_t stationSize);
    int32_t startGmm(int32_t line);
    void stop(int32_t line);
    int32_t reset(int32_t line, uint16_t data);
    int32_t getConnectState(int32_t line, int32_t* stationAdr, int32_t* stationSize) const;
    void setRateCode(int32_t line, int32_t rateCode);
    int32_t rateCode(int32_t line) const { return baudRate_[line].load(std::memory_order_relaxed); }
    int32_t status(int32_t line, void* connectState);
    int32_t name(int32_t line, void* dipSwitchInfo);
    int32_t connect(int32_t line, const void* request);
    int32_t connectLf(int32_t line, const void* request);
    int32_t connectGmm(int32_t line, const void* request);
    int32_t disconnect(int32_t line);
    // Puts the line's rate code into BCR; always 0.
    int32_t setBaudRate(int32_t line);

    // Global memory. Positions and counts are already cut to 16 bits.
    int32_t getMem(int32_t line, void* data, uint16_t elementIndex, uint16_t count, int width);
    int32_t setMem(int32_t line, const void* data, uint16_t byteOffset, uint16_t count, int width);
    int32_t check(int32_t line, uint16_t* checkCode);
    int32_t put(int32_t line, const void* block8);
    int32_t get(int32_t line, uint16_t stationAdr, void* block8);
    int32_t alloc(int32_t line, int32_t stationAdr, void** block);
    int32_t attach(int32_t line, void** gm);
    int32_t map(int32_t line, const char* stationAdrText, void** block);
    int32_t free(int32_t line);

    // Mail.
    int32_t mailOpen(int32_t line);
    int32_t mailClose(int32_t line);
    int32_t mailSend(int32_t line, int32_t stationAdr, const int16_t* data, int32_t length);
    int32_t mailReceive(int32_t line, int16_t* data, int32_t length, int32_t* sourceAdr);
    int32_t mailStatus(int32_t line, int16_t* status);
    int32_t mailWaitObject(int32_t line, int16_t* status);

    // Registers of the chip window and the board's hard reset.
    int32_t getReg16(int32_t line, uint16_t offset, uint16_t* value);
    int32_t getReg32(int32_t line, uint16_t offset, int32_t* value);
    int32_t getReg64(int32_t line, uint16_t offset, int32_t* lowHigh);
    int32_t setReg16(int32_t line, uint16_t offset, uint16_t value);
    int32_t setReg32(int32_t line, uint16_t offset, int32_t value);
    int32_t setReg64(int32_t line, uint16_t offset, int32_t low, int32_t high);
    int32_t hardReset(int32_t line);

    // Driver access: the device handle and one method per control. Each
    // control answers 0 or -1 and leaves the error in os::deviceLastError().
    os::DeviceHandle openDevice(const char* path);
    void closeDevice();
    int32_t ioGetConnectState(ravkern::ConnectState* state);
    int32_t ioGetDipSwitch(ravkern::DipSwitchInfo* info);
    int32_t ioConnect(const ravkern::ConnectRequest* request);
    int32_t ioConnectLf(const ravkern::ConnectRequest* request);
    int32_t ioConnectGmm(const ravkern::ConnectRequest* request);
    int32_t ioDisconnect();
    int32_t ioMapMemory(ravkern::MapRequest* request);
    int32_t ioHardReset();

    // The named objects of a line and its mail thread, with their log lines.
    int32_t createSemaphores(int32_t line);
    void destroySemaphores(int32_t line);
    int32_t createMailEvents(int32_t line);
    void destroyMailEvents(int32_t line);
    int32_t createMailThreads(int32_t line);
    // true when this process made the line's Mail Open Mutex.
    bool createMailMutex(int32_t line);
    void destroyMailMutex(int32_t line);
    void destroyMailThreads(int32_t line) { stopMailThreads(line, 0); }
    void stopMailThreads(int32_t line, int32_t wait);

    // The line's event set, shared with whoever waits on it.
    std::shared_ptr<EvntCtrl> mailEvents(int32_t line) const;
    MailThd* mailThread(int32_t line) const { return mailThread_[line].get(); }
    SemCtrl* commStartSem(int32_t line) const { return commStartSem_[line].get(); }
    SemCtrl* gmReadSem(int32_t line) const { return gmReadSem_[line].get(); }
    SemCtrl* gmWriteSem(int32_t line) const { return gmWriteSem_[line].get(); }
    CallGate& gate() { return gate_; }

private:
    static constexpr int kSemaphoreKinds = 3;  // Comm Start, GM Read, GM Write

    bool searchDevice();
    int32_t startWith(int32_t line, int32_t stationAdr, int32_t stationSize, bool lf);
    void recordStation(int32_t stationAdr, int32_t stationSize);
    std::unique_ptr<SemCtrl>& semaphoreSlot(int kind, int32_t line);

    os::DeviceHandle hDevice_ = os::kInvalidDevice;
    int32_t boardNo_;
    char boardName_[260];
    os::DeviceHandle openHandle_ = os::kInvalidDevice;
    int32_t deviceNo_;
    char devicePath_[260] = {};
    std::atomic<int32_t> baudRate_[kLines] = {-1, -1};  // RV_config may run on any thread
    // The recorded range is read and written as one (start, stop and
    // RV_GetCnectStat may run on different threads).
    mutable std::mutex stationLock_;
    int32_t stationAdr_ = 0;
    int32_t stationSize_ = 0;
    std::unique_ptr<SemCtrl> commStartSem_[kLines];
    std::unique_ptr<SemCtrl> gmReadSem_[kLines];
    std::unique_ptr<SemCtrl> gmWriteSem_[kLines];
    std::unique_ptr<MailThd> mailThread_[kLines];
    std::unique_ptr<MutxCtrl> mailOpenMutex_[kLines];
    char mailEventBase_[kMailEvents][260];
    std::shared_ptr<EvntCtrl> mailEvents_[kLines];
    std::uint8_t* gmBase_ = nullptr;
    ravkern::MapRequest mapRequest_ = {};

    // Guards the event set slots against a waiter taking its reference.
    mutable std::mutex eventsLock_;
    // Mail open and close of one process run one at a time.
    std::mutex mailOpenLock_;
    CallGate gate_;
};

}  // namespace ravlib
