#include "lib/sync/EvntCtrl.h"

#include "lib/os/SyncWait.h"

#include <cstring>

namespace ravlib {

namespace {

bool validIndex(int32_t index) {
    return index >= 0 && index < EvntCtrl::kEvents;
}

}  // namespace

EvntCtrl::EvntCtrl() {
    std::memset(name_, 0, sizeof(name_));
}

EvntCtrl::~EvntCtrl() {
    close(kEvents);
}

int32_t EvntCtrl::create(int32_t index, const char* name) {
    if (!validIndex(index))
        return 0;
    close(index);
    if (name == nullptr || std::strlen(name) >= sizeof(name_[index]))
        return 0;
    std::strcpy(name_[index], name);
    return handle_[index].open(name_[index]) ? 1 : 0;
}

void EvntCtrl::close(int32_t index) {
    if (index == kEvents) {
        for (int32_t each = 0; each < kEvents; ++each)
            close(each);
        return;
    }
    if (!validIndex(index))
        return;
    handle_[index].close();
    std::memset(name_[index], 0, sizeof(name_[index]));
}

uint32_t EvntCtrl::wait(uint32_t timeout) {
    os::NamedEvent* events[kEvents];
    for (int32_t each = 0; each < kEvents; ++each)
        events[each] = &handle_[each];
    uint32_t result = os::waitAny(events, kEvents, timeout);
    if (result < static_cast<uint32_t>(kEvents))
        handle_[result].reset();
    return result;
}

void EvntCtrl::set(int32_t index) {
    if (validIndex(index))
        handle_[index].set();
}

bool EvntCtrl::isOpen(int32_t index) const {
    return validIndex(index) && handle_[index].isOpen();
}

bool EvntCtrl::isSet(int32_t index) const {
    return validIndex(index) && handle_[index].isSet();
}

const char* EvntCtrl::name(int32_t index) const {
    return validIndex(index) ? name_[index] : "";
}

}  // namespace ravlib
