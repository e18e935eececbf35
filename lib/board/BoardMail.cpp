// Mail of a board line: open and close, with the Mail Open Mutex that keeps
// it to one process, and the exports' steps on the line's mail thread.
#include "lib/Ravlib.h"
#include "lib/board/BoardCtrl.h"
#include "lib/os/SyncWait.h"
#include "lib/sync/EvntCtrl.h"
#include "lib/window/MailThd.h"

namespace ravlib {

namespace {

enum MailEvent { kMailRecv1, kMailRecv2, kMailSendResult, kMailClose, kMailError };

// 16 without a chip window, 19 while mail is closed in this process.
int32_t mailReady(const MailThd* thread) {
    if (!thread || !thread->gmBase())
        return MKY43_ER_UNCONNECT;
    if (thread->mailOpen() == 0)
        return MKY43_ER_MAILNOTOPEN;
    return MKY43_ER_OK;
}

}  // namespace

int32_t BoardCtrl::mailOpen(int32_t line) {
    MailThd* thread = mailThread_[line].get();
    std::lock_guard lock(mailOpenLock_);
    if (!thread || !thread->gmBase())
        return MKY43_ER_UNCONNECT;
    if (thread->mailOpen() == 1)
        return MKY43_ER_ALREADYMAILOPEN;
    if (!createMailMutex(line))
        return MKY43_ER_ALREADYMAILOPEN;
    thread->setMailOpen(1);
    thread->arm(0, true);
    thread->arm(1, true);
    return MKY43_ER_OK;
}

// A thread waiting for mail events keeps waiting: closing mail sets none.
int32_t BoardCtrl::mailClose(int32_t line) {
    MailThd* thread = mailThread_[line].get();
    std::lock_guard lock(mailOpenLock_);
    if (const int32_t ready = mailReady(thread); ready != MKY43_ER_OK)
        return ready;
    destroyMailMutex(line);
    thread->arm(0, false);
    thread->arm(1, false);
    thread->setMailOpen(0);
    return MKY43_ER_OK;
}

int32_t BoardCtrl::mailSend(int32_t line, int32_t stationAdr, const int16_t* data, int32_t length) {
    MailThd* thread = mailThread_[line].get();
    if (const int32_t ready = mailReady(thread); ready != MKY43_ER_OK)
        return ready;
    return thread->send(stationAdr, data, length);
}

int32_t BoardCtrl::mailReceive(int32_t line, int16_t* data, int32_t length, int32_t* sourceAdr) {
    MailThd* thread = mailThread_[line].get();
    if (const int32_t ready = mailReady(thread); ready != MKY43_ER_OK)
        return ready;
    return thread->receive(data, length, sourceAdr);
}

int32_t BoardCtrl::mailStatus(int32_t line, int16_t* status) {
    MailThd* thread = mailThread_[line].get();
    if (const int32_t ready = mailReady(thread); ready != MKY43_ER_OK)
        return ready;
    thread->poll();
    *status = static_cast<int16_t>(thread->mailStatus());
    return MKY43_ER_OK;
}

// The wait lasts until an event is set, at the latest by the board's close;
// meanwhile this call is not counted among those the close waits for, and
// the event set stays whole while it is held here.
int32_t BoardCtrl::mailWaitObject(int32_t line, int16_t* status) {
    MailThd* thread = mailThread_[line].get();
    if (const int32_t ready = mailReady(thread); ready != MKY43_ER_OK)
        return ready;
    const std::shared_ptr<EvntCtrl> events = mailEvents(line);
    if (!events)
        return MKY43_ER_OTHER;
    gate_.stepOut();
    const uint32_t woken = events->wait(os::kInfinite);
    const bool stillOpen = gate_.stepIn();
    switch (woken) {
    case kMailRecv1:
    case kMailRecv2: *status = 0; return MKY43_ER_MAILRECEIVE;
    case kMailSendResult:
        if (!stillOpen)
            break;
        *status = static_cast<int16_t>(thread->mailStatus());
        return MKY43_ER_MAILSENDRESULT;
    case kMailClose: break;
    default: return MKY43_ER_OTHER;
    }
    // The board was closed: the mail thread may be gone.
    *status = 0;
    return MKY43_ER_MAILCLOSE;
}

}  // namespace ravlib
