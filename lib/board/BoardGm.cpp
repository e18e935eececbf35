// Global memory operations of a board line: the chip window with the line's
// GM semaphores.
#include "lib/Ravlib.h"
#include "lib/board/BoardCtrl.h"
#include "lib/window/GmAccess.h"

namespace ravlib {

namespace {

GmAccess gmOf(const BoardCtrl& board, int32_t line) {
    return GmAccess(board.gmBase(), board.gmReadSem(line), board.gmWriteSem(line));
}

bool knownWidth(int width) {
    return width == 2 || width == 4 || width == 8;
}

}  // namespace

int32_t BoardCtrl::getMem(int32_t line, void* data, uint16_t elementIndex, uint16_t count, int width) {
    if (!knownWidth(width))
        return MKY43_ER_INVALIDPARAM;
    return gmOf(*this, line).read(data, elementIndex, count, width);
}

int32_t BoardCtrl::setMem(int32_t line, const void* data, uint16_t byteOffset, uint16_t count, int width) {
    if (!knownWidth(width))
        return MKY43_ER_INVALIDPARAM;
    return gmOf(*this, line).write(data, byteOffset, count, width);
}

int32_t BoardCtrl::check(int32_t line, uint16_t* checkCode) {
    return gmOf(*this, line).check(checkCode);
}

// The own station is the driver's: without its answer nothing is written.
int32_t BoardCtrl::put(int32_t line, const void* block8) {
    if (!gmBase_)
        return MKY43_ER_UNCONNECT;
    ravkern::ConnectState state = {};
    if (ioGetConnectState(&state) != 0)
        return MKY43_ER_OTHER;
    return gmOf(*this, line).put(state.sa & 63, block8);
}

int32_t BoardCtrl::get(int32_t line, uint16_t stationAdr, void* block8) {
    return gmOf(*this, line).get(stationAdr, block8);
}

int32_t BoardCtrl::alloc(int32_t line, int32_t stationAdr, void** block) {
    return gmOf(*this, line).alloc(stationAdr, block);
}

int32_t BoardCtrl::attach(int32_t line, void** gm) {
    return gmOf(*this, line).attach(gm);
}

int32_t BoardCtrl::map(int32_t line, const char* stationAdrText, void** block) {
    return gmOf(*this, line).map(stationAdrText, block);
}

}  // namespace ravlib
