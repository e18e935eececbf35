// Exports of communication control and the hard reset.
#include "lib/Ravlib.h"
#include "lib/exports/CallFrame.h"

using namespace ravlib;

extern "C" {

int32_t RAVLIB_CALL RV_start(int32_t board, int32_t line, int32_t stationAdr, int32_t stationSize, int32_t) {
    return plainCall("RV_start", board, line, {}, [&](BoardCtrl& b) { return b.start(line, stationAdr, stationSize); });
}

int32_t RAVLIB_CALL RV_start_lf(int32_t board, int32_t line, int32_t stationAdr, int32_t stationSize, int32_t) {
    return plainCall("RV_start_lf", board, line, {},
                     [&](BoardCtrl& b) { return b.startLf(line, stationAdr, stationSize); });
}

int32_t RAVLIB_CALL RV_start_gmm(int32_t board, int32_t line, int32_t) {
    return plainCall("RV_start_gmm", board, line, {}, [&](BoardCtrl& b) { return b.startGmm(line); });
}

int32_t RAVLIB_CALL RV_stop(int32_t board, int32_t line) {
    CallFrame call("RV_stop", board, line);
    call.runOnly([&](BoardCtrl& b) { b.stop(line); });
    return call.finish();
}

int32_t RAVLIB_CALL RV_reset(int32_t board, int32_t line, int32_t data) {
    const uint16_t value = static_cast<uint16_t>(data);
    CallFrame call("RV_reset", board, line);
    call.run([&](BoardCtrl& b) { return b.reset(line, value); });
    return call.finish(" Data(%d)", value);
}

// The line shows the caller's variables after the call, whatever the result
// (0 for a NULL one).
int32_t RAVLIB_CALL RV_GetCnectStat(int32_t board, int32_t line, int32_t* stationAdr, int32_t* stationSize) {
    CallFrame call("RV_GetCnectStat", board, line);
    call.needPointers({stationAdr, stationSize});
    call.run([&](BoardCtrl& b) { return b.getConnectState(line, stationAdr, stationSize); });
    return call.finishTrace(": StationAdr(%d)-StationSize(%d): Ret(%xh)", stationAdr ? *stationAdr : 0,
                            stationSize ? *stationSize : 0, static_cast<unsigned>(call.result()));
}

int32_t RAVLIB_CALL RV_config(int32_t board, int32_t line, int32_t rateCode) {
    CallFrame call("RV_config", board, line);
    call.runOnly([&](BoardCtrl& b) { b.setRateCode(line, rateCode); });
    return call.finishTrace(": Baudrate(%d): Ret(%xh)", rateCode, static_cast<unsigned>(call.result()));
}

int32_t RAVLIB_CALL RV_Status(int32_t board, int32_t line, void* connectState) {
    return plainCall("RV_Status", board, line, {connectState},
                     [&](BoardCtrl& b) { return b.status(line, connectState); });
}

int32_t RAVLIB_CALL RV_Name(int32_t board, int32_t line, void* dipSwitchInfo) {
    return plainCall("RV_Name", board, line, {dipSwitchInfo},
                     [&](BoardCtrl& b) { return b.name(line, dipSwitchInfo); });
}

int32_t RAVLIB_CALL RV_Connect(int32_t board, int32_t line, const void* request) {
    return plainCall("RV_Connect", board, line, {request}, [&](BoardCtrl& b) { return b.connect(line, request); });
}

int32_t RAVLIB_CALL RV_ConnectLF(int32_t board, int32_t line, const void* request) {
    return plainCall("RV_ConnectLF", board, line, {request}, [&](BoardCtrl& b) { return b.connectLf(line, request); });
}

int32_t RAVLIB_CALL RV_ConnectGMM(int32_t board, int32_t line) {
    // A connect request of station address text "0" and station size 0.
    static constexpr char gmmRequest[12] = {'0'};
    return plainCall("RV_ConnectGMM", board, line, {}, [&](BoardCtrl& b) { return b.connectGmm(line, gmmRequest); });
}

int32_t RAVLIB_CALL RV_DisConnect(int32_t board, int32_t line) {
    return plainCall("RV_DisConnect", board, line, {}, [&](BoardCtrl& b) { return b.disconnect(line); });
}

int32_t RAVLIB_CALL RV_HardReset(int32_t board, int32_t line) {
    return plainCall("RV_HardReset", board, line, {}, [&](BoardCtrl& b) { return b.hardReset(line); });
}

}  // extern "C"
