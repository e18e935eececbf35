// Register access of a board and its hard reset. No semaphore is taken.
#include "lib/Ravlib.h"
#include "lib/board/BoardCtrl.h"
#include "lib/window/RegisterAccess.h"

namespace ravlib {

int32_t BoardCtrl::getReg16(int32_t, uint16_t offset, uint16_t* value) {
    uint64_t read = 0;
    const int32_t result = RegisterAccess(gmBase_).read(offset, 2, &read);
    if (result == MKY43_ER_OK)
        *value = static_cast<uint16_t>(read);
    return result;
}

int32_t BoardCtrl::getReg32(int32_t, uint16_t offset, int32_t* value) {
    uint64_t read = 0;
    const int32_t result = RegisterAccess(gmBase_).read(offset, 4, &read);
    if (result == MKY43_ER_OK)
        *value = static_cast<int32_t>(static_cast<uint32_t>(read));
    return result;
}

int32_t BoardCtrl::getReg64(int32_t, uint16_t offset, int32_t* lowHigh) {
    uint64_t read = 0;
    const int32_t result = RegisterAccess(gmBase_).read(offset, 8, &read);
    if (result == MKY43_ER_OK) {
        lowHigh[0] = static_cast<int32_t>(static_cast<uint32_t>(read));
        lowHigh[1] = static_cast<int32_t>(static_cast<uint32_t>(read >> 32));
    }
    return result;
}

int32_t BoardCtrl::setReg16(int32_t, uint16_t offset, uint16_t value) {
    return RegisterAccess(gmBase_).write(offset, 2, value);
}

int32_t BoardCtrl::setReg32(int32_t, uint16_t offset, int32_t value) {
    return RegisterAccess(gmBase_).write(offset, 4, static_cast<uint32_t>(value));
}

int32_t BoardCtrl::setReg64(int32_t, uint16_t offset, int32_t low, int32_t high) {
    const uint64_t value = static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32 | static_cast<uint32_t>(low);
    return RegisterAccess(gmBase_).write(offset, 8, value);
}

// The device, window, station range and rate code all stay as they are.
int32_t BoardCtrl::hardReset(int32_t) {
    return ioHardReset() == 0 ? MKY43_ER_OK : MKY43_ER_OTHER;
}

}  // namespace ravlib
