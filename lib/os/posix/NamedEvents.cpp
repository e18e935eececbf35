// Each event file holds a signalled word and a sequence word that every set
// advances. A waiter snapshots the sequences, looks at the events, and sleeps
// on all sequence words at once (futex_waitv, shared futexes) until one
// moves. No lock is involved, so a waiter that dies leaves nothing behind.
#include "lib/os/NamedEvents.h"

#include "lib/os/SyncWait.h"
#include "lib/os/TestSeams.h"
#include "lib/os/posix/SyncDeadline.h"
#include "lib/os/posix/SyncObjectFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <ctime>
#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ravlib::os {

namespace {

enum Word { kTag, kSignalled, kSequence, kWords };

std::atomic_ref<std::uint32_t> word(std::uint32_t* words, Word which) {
    return std::atomic_ref<std::uint32_t>(words[which]);
}

// Sleeps while every sequence word still holds its value, at most until the
// deadline (null: none). False only when the kernel cannot wait on several
// words.
bool sleepOnSequences(futex_waitv* waiters, std::size_t count, const timespec* deadline) {
    long rc = syscall(SYS_futex_waitv, waiters, static_cast<unsigned>(count), 0u, deadline, CLOCK_MONOTONIC);
    return rc >= 0 || errno != ENOSYS;
}

// For kernels before futex_waitv: look again after a millisecond.
void napOneMillisecond(const timespec* deadline) {
    timespec nap{0, 1000000};
    if (deadline != nullptr) {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        long long left = (deadline->tv_sec - now.tv_sec) * 1000000000LL + (deadline->tv_nsec - now.tv_nsec);
        if (left <= 0)
            return;
        if (left < nap.tv_nsec)
            nap.tv_nsec = static_cast<long>(left);
    }
    nanosleep(&nap, nullptr);
}

}  // namespace

NamedEvent::~NamedEvent() {
    close();
}

bool NamedEvent::open(const char* name) {
    if (isOpen() || detail::injectedFailure(testing::SyncKind::Event))
        return false;
    void* view = sync::openObject(object_, name, sync::kTagEvent, kWords * sizeof(std::uint32_t), nullptr);
    if (view == nullptr)
        return false;
    words_ = static_cast<std::uint32_t*>(view);
    return true;
}

void NamedEvent::close() {
    if (!isOpen())
        return;
    words_ = nullptr;
    object_.close();
}

void NamedEvent::set() {
    if (!isOpen())
        return;
    word(words_, kSignalled).store(1);
    word(words_, kSequence).fetch_add(1);
    syscall(SYS_futex, &words_[kSequence], FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

void NamedEvent::reset() {
    if (isOpen())
        word(words_, kSignalled).store(0);
}

bool NamedEvent::isSet() const {
    return isOpen() && word(words_, kSignalled).load() != 0;
}

std::uint32_t waitAny(NamedEvent* const* events, std::size_t count, std::uint32_t milliseconds) {
    if (events == nullptr || count == 0 || count > kMaxWaitObjects)
        return kWaitFailed;
    // The views outlive a close of the events by another thread meanwhile.
    std::uint32_t* views[kMaxWaitObjects] = {};
    futex_waitv waiters[kMaxWaitObjects] = {};
    for (std::size_t i = 0; i < count; ++i) {
        if (events[i] == nullptr || !events[i]->isOpen())
            return kWaitFailed;
        std::uint32_t* words = views[i] = events[i]->words_;
        waiters[i].val = word(words, kSequence).load();
        waiters[i].uaddr = reinterpret_cast<std::uintptr_t>(&words[kSequence]);
        waiters[i].flags = FUTEX_32;
    }
    timespec deadline{};
    const timespec* until = nullptr;
    if (milliseconds != kInfinite) {
        deadline = sync::deadlineAfter(CLOCK_MONOTONIC, milliseconds);
        until = &deadline;
    }
    for (;;) {
        // The sequence is read before the signalled word: a set that lands
        // after these reads moves a sequence, and the sleep below returns.
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t* words = views[i];
            if (word(words, kSequence).load() != waiters[i].val || word(words, kSignalled).load() != 0)
                return kWaitObject0 + static_cast<std::uint32_t>(i);
        }
        if (until != nullptr && sync::passed(CLOCK_MONOTONIC, deadline))
            return kWaitTimeout;
        if (!sleepOnSequences(waiters, count, until))
            napOneMillisecond(until);
    }
}

}  // namespace ravlib::os
