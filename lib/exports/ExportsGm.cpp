// Exports of global memory access.
#include "chip/Mky43.h"
#include "lib/Ravlib.h"
#include "lib/exports/CallFrame.h"
#include "lib/exports/LibraryLoad.h"
#include "lib/files/LogFile.h"

using namespace ravlib;

namespace {

// Station address and index count as signed 16-bit values; their sum is cut to 16 bits.
uint16_t elementIndex(int32_t stationAdr, int32_t index, int elementsPerBlock) {
    return static_cast<uint16_t>(static_cast<int16_t>(stationAdr) * elementsPerBlock + static_cast<int16_t>(index));
}

uint16_t byteOffset(int32_t stationAdr, int32_t index, int width) {
    return static_cast<uint16_t>(static_cast<int16_t>(stationAdr) * 8 + static_cast<int16_t>(index) * width);
}

int32_t readGm(const char* exportName, const char* sizeName, int32_t board, int32_t line, void* data,
               int32_t stationAdr, int32_t index, int32_t count, int width) {
    const uint16_t position = elementIndex(stationAdr, index, 8 / width);
    const uint16_t elements = static_cast<uint16_t>(count);
    CallFrame call(exportName, board, line);
    call.needPointers({data});
    call.run([&](BoardCtrl& b) { return b.getMem(line, data, position, elements, width); });
    return call.finishShowing("-OffsetAdr(%d)-%s(%d)", position, sizeName, elements);
}

int32_t writeGm(const char* exportName, const char* sizeName, int32_t board, int32_t line, const void* data,
                int32_t stationAdr, int32_t index, int32_t count, int width) {
    const uint16_t position = byteOffset(stationAdr, index, width);
    const uint16_t elements = static_cast<uint16_t>(count);
    CallFrame call(exportName, board, line);
    call.needPointers({data});
    call.run([&](BoardCtrl& b) { return b.setMem(line, data, position, elements, width); });
    return call.finishShowing("-OffsetAdr(%d)-%s(%d)", position, sizeName, elements);
}

// Byte-wide access is not supported: no check, no operation.
int32_t notSupported(const char* exportName, int32_t board, int32_t line) {
    if (!inService())
        return MKY43_ER_OTHER;
    theLog().writef(LOG_NG, "%s(%d) %s: Line(%d): NG: Ret(%xh)", kLibraryName, board, exportName, line,
                    static_cast<unsigned>(MKY43_ER_NOTSUPPORT));
    return MKY43_ER_NOTSUPPORT;
}

}  // namespace

extern "C" {

int32_t RAVLIB_CALL RV_Alloc(int32_t board, int32_t line, int32_t stationAdr, void** block) {
    CallFrame call("RV_Alloc", board, line);
    call.checkAlways(mky43::validStation(stationAdr), MKY43_ER_INVALIDPARAM);
    call.needPointers({block});
    call.run([&](BoardCtrl& b) { return b.alloc(line, stationAdr, block); });
    return call.finish("-StationAdr(%d)", stationAdr);
}

int32_t RAVLIB_CALL RV_Free(int32_t board, int32_t line) {
    return plainCall("RV_Free", board, line, {}, [&](BoardCtrl& b) { return b.free(line); });
}

int32_t RAVLIB_CALL RV_Attach(int32_t board, int32_t line, void** gm) {
    return plainCall("RV_Attach", board, line, {gm}, [&](BoardCtrl& b) { return b.attach(line, gm); });
}

int32_t RAVLIB_CALL RV_Map(int32_t board, int32_t line, const char* stationAdrText, void** block) {
    return plainCall("RV_Map", board, line, {stationAdrText, block},
                     [&](BoardCtrl& b) { return b.map(line, stationAdrText, block); });
}

int32_t RAVLIB_CALL RV_UnMap(int32_t board, int32_t line) {
    return plainCall("RV_UnMap", board, line, {}, [&](BoardCtrl& b) { return b.free(line); });
}

int32_t RAVLIB_CALL RV_Ck(int32_t board, int32_t line, uint16_t* checkCode) {
    CallFrame call("RV_Ck", board, line);
    call.needPointers({checkCode});
    call.run([&](BoardCtrl& b) { return b.check(line, checkCode); });
    const int shown = call.result() == 0 ? static_cast<int16_t>(*checkCode) : 0;
    return call.finishShowing("-CHKC(0x%x)", static_cast<unsigned>(shown));
}

int32_t RAVLIB_CALL RV_Put(int32_t board, int32_t line, const void* block8) {
    return plainCall("RV_Put", board, line, {block8}, [&](BoardCtrl& b) { return b.put(line, block8); });
}

int32_t RAVLIB_CALL RV_Get(int32_t board, int32_t line, int32_t stationAdr, void* block8) {
    const uint16_t station = static_cast<uint16_t>(stationAdr);
    return plainCall("RV_Get", board, line, {block8}, [&](BoardCtrl& b) { return b.get(line, station, block8); });
}

int32_t RAVLIB_CALL RV_GetMemByte(int32_t board, int32_t line, void*, int32_t, int32_t, int32_t) {
    return notSupported("RV_GetMemByte", board, line);
}

int32_t RAVLIB_CALL RV_SetMemByte(int32_t board, int32_t line, void*, int32_t, int32_t, int32_t) {
    return notSupported("RV_SetMemByte", board, line);
}

int32_t RAVLIB_CALL RV_GetMemShort(int32_t board, int32_t line, int16_t* data, int32_t stationAdr, int32_t index,
                                   int32_t count) {
    return readGm("RV_GetMemShort", "ShortSize", board, line, data, stationAdr, index, count, 2);
}

int32_t RAVLIB_CALL RV_GetMemLong(int32_t board, int32_t line, int32_t* data, int32_t stationAdr, int32_t index,
                                  int32_t count) {
    return readGm("RV_GetMemLong", "LongSize", board, line, data, stationAdr, index, count, 4);
}

int32_t RAVLIB_CALL RV_GetMemDLong(int32_t board, int32_t line, int32_t* data, int32_t stationAdr, int32_t index,
                                   int32_t count) {
    return readGm("RV_GetMemDLong", "DLongSize", board, line, data, stationAdr, index, count, 8);
}

int32_t RAVLIB_CALL RV_SetMemShort(int32_t board, int32_t line, const int16_t* data, int32_t stationAdr, int32_t index,
                                   int32_t count) {
    return writeGm("RV_SetMemShort", "ShortSize", board, line, data, stationAdr, index, count, 2);
}

int32_t RAVLIB_CALL RV_SetMemLong(int32_t board, int32_t line, const int32_t* data, int32_t stationAdr, int32_t index,
                                  int32_t count) {
    return writeGm("RV_SetMemLong", "LongSize", board, line, data, stationAdr, index, count, 4);
}

int32_t RAVLIB_CALL RV_SetMemDLong(int32_t board, int32_t line, const int32_t* data, int32_t stationAdr, int32_t index,
                                   int32_t count) {
    return writeGm("RV_SetMemDLong", "DLongSize", board, line, data, stationAdr, index, count, 8);
}

}  // extern "C"
