// Exports of mail.
#include "chip/Mky43.h"
#include "lib/Ravlib.h"
#include "lib/exports/CallFrame.h"

using namespace ravlib;

namespace {

constexpr int32_t kMailMaxLength = 256;

bool validMailLength(int32_t length) {
    return length >= 1 && length <= kMailMaxLength;
}

// The status is shown as its sign-extended 16-bit value.
template <class Operation>
int32_t statusCall(const char* exportName, int32_t board, int32_t line, int16_t* status, Operation&& operation) {
    CallFrame call(exportName, board, line);
    call.needPointers({status});
    call.run(operation);
    const int shown = call.result() == 0 ? *status : 0;
    return call.finishShowing("-Status(0x%x)", static_cast<unsigned>(shown));
}

}  // namespace

extern "C" {

int32_t RAVLIB_CALL RV_MailOpen(int32_t board, int32_t line) {
    return plainCall("RV_MailOpen", board, line, {}, [&](BoardCtrl& b) { return b.mailOpen(line); });
}

int32_t RAVLIB_CALL RV_MailClose(int32_t board, int32_t line) {
    return plainCall("RV_MailClose", board, line, {}, [&](BoardCtrl& b) { return b.mailClose(line); });
}

int32_t RAVLIB_CALL RV_MailSend(int32_t board, int32_t line, int32_t stationAdr, const int16_t* data, int32_t length) {
    CallFrame call("RV_MailSend", board, line);
    call.check(validMailLength(length), MKY43_ER_MAILSIZE);
    // The address shares MSCR with the send request bit: one outside 0..63
    // would start no send, or another, while the call reported success.
    call.check(mky43::validStation(stationAdr), MKY43_ER_INVALIDPARAM);
    call.needPointers({data});
    call.run([&](BoardCtrl& b) { return b.mailSend(line, stationAdr, data, length); });
    return call.finish("-StationAdr(%d)-Leng(%d)", stationAdr, length);
}

int32_t RAVLIB_CALL RV_MailReceive(int32_t board, int32_t line, int16_t* data, int32_t length, int32_t* sourceAdr) {
    CallFrame call("RV_MailReceive", board, line);
    call.check(validMailLength(length), MKY43_ER_MAILSIZE);
    call.needPointers({data, sourceAdr});
    call.run([&](BoardCtrl& b) { return b.mailReceive(line, data, length, sourceAdr); });
    return call.finish("-Leng(%d)", length);
}

int32_t RAVLIB_CALL RV_MailStatus(int32_t board, int32_t line, int16_t* status) {
    return statusCall("RV_MailStatus", board, line, status, [&](BoardCtrl& b) { return b.mailStatus(line, status); });
}

int32_t RAVLIB_CALL RV_MailWaitObject(int32_t board, int32_t line, int16_t* status) {
    return statusCall("RV_MailWaitObject", board, line, status,
                      [&](BoardCtrl& b) { return b.mailWaitObject(line, status); });
}

}  // extern "C"
