#include "lib/sync/MutxCtrl.h"

#include <cstring>

namespace ravlib {

MutxCtrl::MutxCtrl() {
    std::memset(name_, 0, sizeof(name_));
}

MutxCtrl::~MutxCtrl() {
    close();
}

int32_t MutxCtrl::create(const char* name) {
    close();
    if (name == nullptr || std::strlen(name) >= sizeof(name_))
        return 0;
    std::strcpy(name_, name);
    if (!handle_.open(name_))
        return 0;
    if (!handle_.created())
        isNew_ = 0;
    return 1;
}

void MutxCtrl::close() {
    handle_.close();
    isNew_ = 1;
}

}  // namespace ravlib
