// Board operations of communication control, global memory, mail and
// registers that are not in this build yet: they answer MKY43_ER_OTHER and
// touch nothing.
#include "lib/BoardCtrl.h"
#include "lib/Ravlib.h"

namespace ravlib {

int32_t BoardCtrl::start(int32_t, int32_t, int32_t) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::startLf(int32_t, int32_t, int32_t) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::startGmm(int32_t) { return MKY43_ER_OTHER; }
void BoardCtrl::stop(int32_t) {}
int32_t BoardCtrl::reset(int32_t, uint16_t) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::status(int32_t, void*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::name(int32_t, void*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::connect(int32_t, const void*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::connectLf(int32_t, const void*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::connectGmm(int32_t, const void*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::disconnect(int32_t) { return MKY43_ER_OTHER; }

int32_t BoardCtrl::getMem(int32_t, void*, uint16_t, uint16_t, int) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::setMem(int32_t, const void*, uint16_t, uint16_t, int) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::check(int32_t, uint16_t*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::put(int32_t, const void*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::get(int32_t, uint16_t, void*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::alloc(int32_t, int32_t, void**) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::attach(int32_t, void**) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::map(int32_t, const char*, void**) { return MKY43_ER_OTHER; }

int32_t BoardCtrl::mailOpen(int32_t) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::mailClose(int32_t) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::mailSend(int32_t, int32_t, const int16_t*, int32_t) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::mailReceive(int32_t, int16_t*, int32_t, int32_t*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::mailStatus(int32_t, int16_t*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::mailWaitObject(int32_t, int16_t*) { return MKY43_ER_OTHER; }

int32_t BoardCtrl::getReg16(int32_t, uint16_t, uint16_t*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::getReg32(int32_t, uint16_t, int32_t*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::getReg64(int32_t, uint16_t, int32_t*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::setReg16(int32_t, uint16_t, uint16_t) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::setReg32(int32_t, uint16_t, int32_t) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::setReg64(int32_t, uint16_t, int32_t, int32_t) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::hardReset(int32_t) { return MKY43_ER_OTHER; }

}  // namespace ravlib
