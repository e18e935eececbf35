// The five named manual-reset mail events of one board line and the wait
// for any of them; all five are closed when destroyed.
#pragma once

#include "lib/os/NamedEvents.h"

#include <cstdint>

namespace ravlib {

class EvntCtrl {
public:
    static constexpr int kEvents = 5;

    EvntCtrl();
    ~EvntCtrl();
    EvntCtrl(const EvntCtrl&) = delete;
    EvntCtrl& operator=(const EvntCtrl&) = delete;

    // Creates event `index` (0..4) not signalled, or opens the existing one.
    // 1 when a handle was obtained, 0 otherwise (also for a bad index); a
    // handle already held at that index is closed first.
    int32_t create(int32_t index, const char* name);
    // Index 0..4 closes that event and clears its name, 5 closes all five,
    // anything else does nothing.
    void close(int32_t index);
    // Waits until any of the five is signalled. For event i returns i and
    // resets that event; otherwise kWaitTimeout, or kWaitFailed when an
    // event is not open. Every waiter a set releases returns that index,
    // also when another waiter has reset the event already.
    uint32_t wait(uint32_t timeout);
    // Signals event `index` (0..4); other values do nothing.
    void set(int32_t index);

    bool isOpen(int32_t index) const;
    // True while event `index` is signalled.
    bool isSet(int32_t index) const;
    const char* name(int32_t index) const;

private:
    os::NamedEvent handle_[kEvents];
    char name_[kEvents][260];
};

}  // namespace ravlib
