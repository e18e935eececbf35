// Communication control of a board line: the connects under the line's Comm
// Start Semaphore (rate step included), start and stop with their detail
// lines and fixed waits, and the fill of the own GM area.
#include <algorithm>
#include <chrono>
#include <thread>

#include "lib/Ravlib.h"
#include "lib/board/BoardCtrl.h"
#include "lib/files/LogFile.h"
#include "lib/sync/SemHold.h"
#include "lib/window/CommControl.h"
#include "lib/window/GmAccess.h"

namespace ravlib {

using ravkern::ConnectRequest;

namespace {

using Control = int32_t (BoardCtrl::*)(const ConnectRequest*);

constexpr auto kRateSettle = std::chrono::milliseconds(200);
constexpr auto kAfterStart = std::chrono::milliseconds(100);
constexpr auto kAroundStop = std::chrono::milliseconds(100);
constexpr int32_t kNoRate = -1;

// With a rate code the chip is first opened in GMM mode, given the rate,
// then connected with `last` (none for GMM). One hold covers all of it, so
// connects of several processes never interleave.
int32_t connectSequence(BoardCtrl& board, int32_t line, const void* request, Control plain, Control last) {
    const auto* r = static_cast<const ConnectRequest*>(request);
    SemHold hold(board.commStartSem(line));
    if (board.rateCode(line) == kNoRate)
        return (board.*plain)(r) == 0 ? 0 : -1;
    if (board.ioConnectGmm(r) != 0)
        return -1;
    std::this_thread::sleep_for(kRateSettle);
    if (board.setBaudRate(line) != 0)
        return -1;
    if (last && (board.*last)(r) != 0)
        return -1;
    return 0;
}

}  // namespace

int32_t BoardCtrl::connect(int32_t line, const void* request) {
    return connectSequence(*this, line, request, &BoardCtrl::ioConnect, &BoardCtrl::ioConnect);
}

int32_t BoardCtrl::connectLf(int32_t line, const void* request) {
    return connectSequence(*this, line, request, &BoardCtrl::ioConnectLf, &BoardCtrl::ioConnectLf);
}

int32_t BoardCtrl::connectGmm(int32_t line, const void* request) {
    return connectSequence(*this, line, request, &BoardCtrl::ioConnectGmm, nullptr);
}

int32_t BoardCtrl::setBaudRate(int32_t line) {
    writeRateBits(gmBase_, rateCode(line));
    return 0;
}

int32_t BoardCtrl::startWith(int32_t line, int32_t stationAdr, int32_t stationSize, bool lf) {
    const char* title = lf ? "RavelConnectLF" : "RavelConnect";
    const StationRange range = clampStation(stationAdr, stationSize);
    const ConnectRequest request = connectRequest(range.address, range.size);
    if ((lf ? connectLf(line, &request) : connect(line, &request)) != 0) {
        theLog().writef(LOG_DETAIL, "%s %s: Adr(%d)-Size(%d): NG: <CE=%u>", boardName_, title, range.address,
                        range.size, os::deviceLastError());
        return MKY43_ER_CONNECT;
    }
    theLog().writef(LOG_DETAIL, "%s %s: Adr(%d)-Size(%d): OK: ", boardName_, title, range.address, range.size);
    recordStation(range.address, range.size);
    std::this_thread::sleep_for(kAfterStart);
    return MKY43_ER_OK;
}

int32_t BoardCtrl::start(int32_t line, int32_t stationAdr, int32_t stationSize) {
    return startWith(line, stationAdr, stationSize, false);
}

int32_t BoardCtrl::startLf(int32_t line, int32_t stationAdr, int32_t stationSize) {
    return startWith(line, stationAdr, stationSize, true);
}

int32_t BoardCtrl::startGmm(int32_t line) {
    const ConnectRequest request = connectRequest(0, 0);
    if (connectGmm(line, &request) != 0) {
        theLog().writef(LOG_DETAIL, "%s RavelConnectGMM: NG: <CE=%u>", boardName_, os::deviceLastError());
        return MKY43_ER_CONNECT;
    }
    theLog().writef(LOG_DETAIL, "%s RavelConnectGMM: OK: ", boardName_);
    return MKY43_ER_OK;
}

// The outcome is only logged: the caller reports success.
void BoardCtrl::stop(int32_t line) {
    std::this_thread::sleep_for(kAroundStop);
    recordStation(0, 0);
    if (disconnect(line) == 0)
        theLog().writef(LOG_DETAIL, "%s RavelDisConnect: OK: ", boardName_);
    else
        theLog().writef(LOG_DETAIL, "%s RavelDisConnect: NG: <CE=%u>", boardName_, os::deviceLastError());
    std::this_thread::sleep_for(kAroundStop);
}

// Fills the recorded own area; with nothing recorded block 0 is rewritten
// unchanged.
int32_t BoardCtrl::reset(int32_t line, uint16_t data) {
    int32_t adr = 0, size = 0;
    getConnectState(line, &adr, &size);
    uint16_t values[256];
    const int count = std::clamp(size * 4, 0, 256);
    std::fill_n(values, count, data);
    return GmAccess(gmBase_, gmReadSem(line), gmWriteSem(line))
        .write(values, static_cast<uint16_t>(adr * 8), static_cast<uint16_t>(count), 2);
}

int32_t BoardCtrl::status(int32_t, void* connectState) {
    return ioGetConnectState(static_cast<ravkern::ConnectState*>(connectState)) == 0 ? 0 : -1;
}

int32_t BoardCtrl::name(int32_t, void* dipSwitchInfo) {
    return ioGetDipSwitch(static_cast<ravkern::DipSwitchInfo*>(dipSwitchInfo)) == 0 ? 0 : -1;
}

int32_t BoardCtrl::disconnect(int32_t) {
    return ioDisconnect() == 0 ? 0 : -1;
}

}  // namespace ravlib
