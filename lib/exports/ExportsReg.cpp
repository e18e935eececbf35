// Exports of register access. The 64-bit value shows whole in its line.
#include "lib/Ravlib.h"
#include "lib/exports/CallFrame.h"

using namespace ravlib;

namespace {

uint64_t joined(int32_t low, int32_t high) {
    return static_cast<uint64_t>(static_cast<uint32_t>(high)) << 32 | static_cast<uint32_t>(low);
}

}  // namespace

extern "C" {

int32_t RAVLIB_CALL RV_GetReg64(int32_t board, int32_t line, int32_t offset, int32_t* lowHigh) {
    const uint16_t at = static_cast<uint16_t>(offset);
    CallFrame call("RV_GetReg64", board, line);
    call.needPointers({lowHigh});
    call.run([&](BoardCtrl& b) { return b.getReg64(line, at, lowHigh); });
    const uint64_t shown = call.result() == 0 ? joined(lowHigh[0], lowHigh[1]) : 0;
    return call.finishShowing("-OffsetAdr(0x%x)-Reg(0x%llx)", at, static_cast<unsigned long long>(shown));
}

int32_t RAVLIB_CALL RV_GetReg32(int32_t board, int32_t line, int32_t offset, int32_t* value) {
    const uint16_t at = static_cast<uint16_t>(offset);
    CallFrame call("RV_GetReg32", board, line);
    call.needPointers({value});
    call.run([&](BoardCtrl& b) { return b.getReg32(line, at, value); });
    const uint32_t shown = call.result() == 0 ? static_cast<uint32_t>(*value) : 0;
    return call.finishShowing("-OffsetAdr(0x%x)-Reg(0x%x)", at, shown);
}

int32_t RAVLIB_CALL RV_GetReg16(int32_t board, int32_t line, int32_t offset, uint16_t* value) {
    const uint16_t at = static_cast<uint16_t>(offset);
    CallFrame call("RV_GetReg16", board, line);
    call.needPointers({value});
    call.run([&](BoardCtrl& b) { return b.getReg16(line, at, value); });
    const unsigned shown = call.result() == 0 ? *value : 0;
    return call.finishShowing("-OffsetAdr(0x%x)-Reg(0x%x)", at, shown);
}

int32_t RAVLIB_CALL RV_SetReg64(int32_t board, int32_t line, int32_t offset, int32_t low, int32_t high) {
    const uint16_t at = static_cast<uint16_t>(offset);
    CallFrame call("RV_SetReg64", board, line);
    call.run([&](BoardCtrl& b) { return b.setReg64(line, at, low, high); });
    return call.finishShowing("-OffsetAdr(0x%x)-Reg(0x%llx)", at, static_cast<unsigned long long>(joined(low, high)));
}

int32_t RAVLIB_CALL RV_SetReg32(int32_t board, int32_t line, int32_t offset, int32_t value) {
    const uint16_t at = static_cast<uint16_t>(offset);
    CallFrame call("RV_SetReg32", board, line);
    call.run([&](BoardCtrl& b) { return b.setReg32(line, at, value); });
    return call.finishShowing("-OffsetAdr(0x%x)-Reg(0x%x)", at, static_cast<uint32_t>(value));
}

int32_t RAVLIB_CALL RV_SetReg16(int32_t board, int32_t line, int32_t offset, int32_t value) {
    const uint16_t at = static_cast<uint16_t>(offset);
    const uint16_t word = static_cast<uint16_t>(value);
    CallFrame call("RV_SetReg16", board, line);
    call.run([&](BoardCtrl& b) { return b.setReg16(line, at, word); });
    return call.finishShowing("-OffsetAdr(0x%x)-Reg(0x%x)", at, static_cast<unsigned>(word));
}

}  // extern "C"
