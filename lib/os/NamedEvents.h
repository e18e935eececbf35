// Named manual-reset events shared by processes, and the wait until any of
// several is signalled. An event vanishes with its last holder; a new one
// starts not signalled.
#pragma once

#include "lib/os/NamedObject.h"

#include <cstddef>
#include <cstdint>

namespace ravlib::os {

class NamedEvent {
public:
    NamedEvent() = default;
    ~NamedEvent();
    NamedEvent(const NamedEvent&) = delete;
    NamedEvent& operator=(const NamedEvent&) = delete;

    // Creates the event (not signalled) or opens the existing one. False
    // when one is already held here, the name is unusable or names another
    // kind of object, or the system refuses.
    bool open(const char* name);
    void close();
    bool isOpen() const { return words_ != nullptr; }

    // Signals the event and wakes every waiter, in every process. It stays
    // signalled until reset.
    void set();
    void reset();
    bool isSet() const;

private:
    friend std::uint32_t waitAny(NamedEvent* const* events, std::size_t count, std::uint32_t milliseconds);

    NamedObject object_;
    std::uint32_t* words_ = nullptr;
};

inline constexpr std::size_t kMaxWaitObjects = 64;

// Waits until one of `events` is signalled, or was set since the wait began
// (then it counts even if someone reset it meanwhile, as every waiter of a
// manual-reset event is released by the set). Returns kWaitObject0 + index
// of the lowest such event, without resetting it; kWaitTimeout after
// `milliseconds` (kInfinite: no limit); kWaitFailed when `count` is 0 or
// above kMaxWaitObjects or an event is not open.
std::uint32_t waitAny(NamedEvent* const* events, std::size_t count, std::uint32_t milliseconds);

}  // namespace ravlib::os
