#include "lib/BoardCtrl.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "lib/LogFile.h"
#include "lib/Ravlib.h"

namespace ravlib {

namespace {
constexpr const char* BOARD_NAME_BASE = "RavlibBrd";
constexpr const char* MAIL_EVENT_WORDS[BoardCtrl::MAIL_EVENTS] = {
    "MailRecv1", "MailRecv2", "MailSeRes", "MailClose", "MailError"};
}  // namespace

BoardCtrl::BoardCtrl(int32_t boardNo) : boardNo_(boardNo) {
    std::snprintf(boardName_, sizeof boardName_, "%s%d", BOARD_NAME_BASE, boardNo);
    for (int i = 0; i < MAIL_EVENTS; ++i)
        std::snprintf(mailEventBase_[i], sizeof mailEventBase_[i], "%s_%d", MAIL_EVENT_WORDS[i], boardNo);
}

// No device layer is in this build yet, so no device can be found.
int32_t BoardCtrl::open() {
    return MKY43_ER_OPENDEVICE;
}

// Nothing but the device selection is acquired by open so far.
void BoardCtrl::close(bool) {
    openHandle_ = -1;
}

void BoardCtrl::finish() {
    if (theLog().processCount() > 1)
        return;
    reset(0, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    stop(0);
    theLog().writef(LOG_DETAIL, "%s Finish: OK: ", boardName_);
}

int32_t BoardCtrl::getConnectState(int32_t, int32_t* stationAdr, int32_t* stationSize) const {
    *stationAdr = stationAdr_;
    *stationSize = stationSize_;
    return MKY43_ER_OK;
}

void BoardCtrl::setRateCode(int32_t line, int32_t rateCode) {
    baudRate_[line].store(rateCode, std::memory_order_relaxed);
}

int32_t BoardCtrl::free(int32_t) {
    return MKY43_ER_OK;
}

}  // namespace ravlib
