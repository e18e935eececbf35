// The named objects of a board line and its mail thread: created at board
// open, removed at board close, each step with its detail line.
#include <cstdio>
#include <new>
#include <utility>

#include "lib/board/BoardCtrl.h"
#include "lib/files/LogFile.h"
#include "lib/sync/EvntCtrl.h"
#include "lib/sync/MutxCtrl.h"
#include "lib/sync/SemCtrl.h"
#include "lib/window/MailThd.h"

namespace ravlib {

namespace {

struct SemaphoreKind {
    const char* suffix;
    const char* title;
};
constexpr SemaphoreKind kSemaphores[] = {
    {"_StaSem", "Comm Start Semaphore"}, {"_GmSemR", "GM Read Semaphore"}, {"_GmSemW", "GM Write Semaphore"}};

constexpr int kMailCloseEvent = 3;

// A name cut short would name another object.
bool fits(int length, size_t size) {
    return length >= 0 && static_cast<size_t>(length) < size;
}

}  // namespace

std::unique_ptr<SemCtrl>& BoardCtrl::semaphoreSlot(int kind, int32_t line) {
    std::unique_ptr<SemCtrl>* slots[] = {commStartSem_, gmReadSem_, gmWriteSem_};
    return slots[kind][line];
}

int32_t BoardCtrl::createSemaphores(int32_t line) {
    for (int k = 0; k < kSemaphoreKinds; ++k) {
        const SemaphoreKind& kind = kSemaphores[k];
        char name[260];
        const int length = std::snprintf(name, sizeof name, "%s%d%s", boardName_, line, kind.suffix);
        std::unique_ptr<SemCtrl>& slot = semaphoreSlot(k, line);
        slot.reset(new (std::nothrow) SemCtrl);
        if (!slot || !fits(length, sizeof name) || !slot->create(name)) {
            slot.reset();
            theLog().writef(LOG_DETAIL, "%s: CreateSemaphore: %s: Line(%d): NG: Name(%s)", boardName_, kind.title, line,
                            name);
            return 0;
        }
        theLog().writef(LOG_DETAIL, "%s: CreateSemaphore: %s: Line(%d): OK: Name(%s)", boardName_, kind.title, line,
                        name);
    }
    return 1;
}

void BoardCtrl::destroySemaphores(int32_t line) {
    for (int k = 0; k < kSemaphoreKinds; ++k) {
        std::unique_ptr<SemCtrl>& slot = semaphoreSlot(k, line);
        if (!slot)
            continue;
        theLog().writef(LOG_DETAIL, "%s: DestorySemaphore: %s: Line(%d)", boardName_, kSemaphores[k].title, line);
        slot.reset();
    }
}

int32_t BoardCtrl::createMailEvents(int32_t line) {
    std::shared_ptr<EvntCtrl> events;
    try {
        events = std::make_shared<EvntCtrl>();
    } catch (const std::bad_alloc&) {
        // Reported below as the first event that could not be made.
    }
    {
        std::lock_guard lock(eventsLock_);
        mailEvents_[line] = events;
    }
    for (int j = 0; j < kMailEvents; ++j) {
        char name[260];
        const int length = std::snprintf(name, sizeof name, "%s%d_MailEve", mailEventBase_[j], line);
        if (!events || !fits(length, sizeof name) || !events->create(j, name)) {
            {
                std::lock_guard lock(eventsLock_);
                mailEvents_[line].reset();
            }
            // The other events close with the set.
            if (events)
                events->close(j);
            events.reset();
            theLog().writef(LOG_DETAIL, "%s: CreateEvent: Mail Event: Line(%d): NG: Name(%s)", mailEventBase_[j], line,
                            name);
            return 0;
        }
        theLog().writef(LOG_DETAIL, "%s: CreateEvent: Mail Event: Line(%d): OK: Name(%s)", mailEventBase_[j], line,
                        name);
    }
    if (mailThread_[line])
        mailThread_[line]->setEvents(events);
    return 1;
}

// The close event is signalled before any event closes, so every wait on
// the line, in any process, returns. The events close with the last holder
// of the set, here or a waiter of this process, as only that release is
// ordered after every other holder's use of them.
void BoardCtrl::destroyMailEvents(int32_t line) {
    std::shared_ptr<EvntCtrl> events;
    {
        std::lock_guard lock(eventsLock_);
        events = std::move(mailEvents_[line]);
    }
    if (!events)
        return;
    if (mailThread_[line])
        mailThread_[line]->setEvents(nullptr);
    for (int j = 0; j < kMailEvents; ++j) {
        theLog().writef(LOG_DETAIL, "%s: DestoryEvent: Mail Event: Line(%d)", mailEventBase_[j], line);
        events->set(kMailCloseEvent);
    }
}

// Only the process that made the mutex has mail open; finding it existing
// means another process (or an earlier open here) holds it.
bool BoardCtrl::createMailMutex(int32_t line) {
    char name[260];
    const int length = std::snprintf(name, sizeof name, "%s%d_Mutx", boardName_, line);
    std::unique_ptr<MutxCtrl>& slot = mailOpenMutex_[line];
    slot.reset(new (std::nothrow) MutxCtrl);
    if (slot && fits(length, sizeof name) && slot->create(name) && slot->isNew() == 1) {
        theLog().writef(LOG_DETAIL, "%s: CreateMutex: Mail Open Mutex: Line(%d): OK: Name(%s)", boardName_, line, name);
        return true;
    }
    slot.reset();
    theLog().writef(LOG_DETAIL, "%s: CreateMutex: Mail Open Mutex: Line(%d): NG: Name(%s)", boardName_, line, name);
    return false;
}

void BoardCtrl::destroyMailMutex(int32_t line) {
    if (!mailOpenMutex_[line])
        return;
    theLog().writef(LOG_DETAIL, "%s: DestoryMutex: Mail Open Mutex: Line(%d)", boardName_, line);
    mailOpenMutex_[line].reset();
}

std::shared_ptr<EvntCtrl> BoardCtrl::mailEvents(int32_t line) const {
    std::lock_guard lock(eventsLock_);
    return mailEvents_[line];
}

int32_t BoardCtrl::createMailThreads(int32_t line) {
    if (mailThread_[line]) {
        mailThread_[line]->awaitRunEnd();
        mailThread_[line]->stop(0);
        mailThread_[line].reset();
    }
    mailThread_[line].reset(new (std::nothrow) MailThd);
    if (!mailThread_[line] || !mailThread_[line]->start(0)) {
        if (mailThread_[line])
            mailThread_[line]->stop(0);
        mailThread_[line].reset();
        theLog().writef(LOG_DETAIL, "%s: CreateThread: Mail Thread: Line(%d): NG", boardName_, line);
        return 0;
    }
    theLog().writef(LOG_DETAIL, "%s: CreateThread: Mail Thread: Line(%d): OK", boardName_, line);
    return 1;
}

// The first wait never ends early on a running thread (its stop is asked
// only after it), so a board close takes at least 50 ms.
void BoardCtrl::stopMailThreads(int32_t line, int32_t wait) {
    if (!mailThread_[line])
        return;
    theLog().writef(LOG_DETAIL, "%s: DestoryThread: Mail Thread: Line(%d)", boardName_, line);
    mailThread_[line]->awaitRunEnd();
    mailThread_[line]->stop(wait);
    mailThread_[line].reset();
}

}  // namespace ravlib
