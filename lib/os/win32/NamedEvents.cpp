// Win32 manual-reset events; words_ keeps the event's handle here.
#include "lib/os/NamedEvents.h"

#include "lib/os/SyncWait.h"
#include "lib/os/TestSeams.h"

#include <windows.h>

namespace ravlib::os {

namespace {

HANDLE handleOf(std::uint32_t* words) {
    return reinterpret_cast<HANDLE>(words);
}

}  // namespace

NamedEvent::~NamedEvent() {
    close();
}

bool NamedEvent::open(const char* name) {
    if (isOpen() || name == nullptr || *name == '\0' || detail::injectedFailure(testing::SyncKind::Event))
        return false;
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name);
    if (event == nullptr)
        return false;
    words_ = reinterpret_cast<std::uint32_t*>(event);
    return true;
}

void NamedEvent::close() {
    if (!isOpen())
        return;
    CloseHandle(handleOf(words_));
    words_ = nullptr;
}

void NamedEvent::set() {
    if (isOpen())
        SetEvent(handleOf(words_));
}

void NamedEvent::reset() {
    if (isOpen())
        ResetEvent(handleOf(words_));
}

bool NamedEvent::isSet() const {
    return isOpen() && WaitForSingleObject(handleOf(words_), 0) == WAIT_OBJECT_0;
}

std::uint32_t waitAny(NamedEvent* const* events, std::size_t count, std::uint32_t milliseconds) {
    static_assert(kMaxWaitObjects <= MAXIMUM_WAIT_OBJECTS);
    if (events == nullptr || count == 0 || count > kMaxWaitObjects)
        return kWaitFailed;
    HANDLE handles[kMaxWaitObjects] = {};
    for (std::size_t i = 0; i < count; ++i) {
        if (events[i] == nullptr || !events[i]->isOpen())
            return kWaitFailed;
        handles[i] = handleOf(events[i]->words_);
    }
    DWORD result = WaitForMultipleObjects(static_cast<DWORD>(count), handles, FALSE, milliseconds);
    if (result < WAIT_OBJECT_0 + count)
        return kWaitObject0 + (result - WAIT_OBJECT_0);
    return result == WAIT_TIMEOUT ? kWaitTimeout : kWaitFailed;
}

}  // namespace ravlib::os
