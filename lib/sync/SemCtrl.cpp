#include "lib/sync/SemCtrl.h"

#include "lib/files/LogFile.h"
#include "lib/os/SyncWait.h"

#include <cstring>

namespace ravlib {

SemCtrl::SemCtrl() {
    std::memset(name_, 0, sizeof(name_));
}

SemCtrl::~SemCtrl() {
    close();
}

int32_t SemCtrl::create(const char* name) {
    close();
    if (name == nullptr || std::strlen(name) >= sizeof(name_))
        return 0;
    std::strcpy(name_, name);
    return handle_.open(name_) ? 1 : 0;
}

uint32_t SemCtrl::wait(uint32_t milliseconds) {
    uint32_t result = handle_.wait(milliseconds);
    if (result == os::kWaitAbandoned)
        theLog().writef(LOG_DETAIL, "Ravlib: Semaphore recovered: Name(%s)", name_);
    return result;
}

int32_t SemCtrl::release() {
    return handle_.release() ? 1 : 0;
}

void SemCtrl::close() {
    handle_.close();
}

}  // namespace ravlib
