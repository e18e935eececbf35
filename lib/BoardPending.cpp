// Board operations of mail that are not in this build yet: they answer
// MKY43_ER_OTHER and touch nothing.
#include "lib/BoardCtrl.h"
#include "lib/Ravlib.h"

namespace ravlib {

int32_t BoardCtrl::mailOpen(int32_t) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::mailClose(int32_t) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::mailSend(int32_t, int32_t, const int16_t*, int32_t) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::mailReceive(int32_t, int16_t*, int32_t, int32_t*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::mailStatus(int32_t, int16_t*) { return MKY43_ER_OTHER; }
int32_t BoardCtrl::mailWaitObject(int32_t, int16_t*) { return MKY43_ER_OTHER; }

}  // namespace ravlib
