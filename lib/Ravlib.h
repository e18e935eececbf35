/* Ravlib: the board library's programming interface for applications,
   48 plain C functions and their return codes. */
#ifndef RAVLIB_H
#define RAVLIB_H

#include <stdint.h>

#define RAVLIB_API __attribute__((visibility("default")))

/* The callee removes the arguments on Windows, as its applications expect;
   other platforms have one convention. */
#if defined(_WIN32)
#define RAVLIB_CALL __stdcall
#else
#define RAVLIB_CALL
#endif

/* Return codes. 13 has no name. */
enum {
    MKY43_ER_OTHER = -1,
    MKY43_ER_OK = 0,
    MKY43_ER_ALREADYOPEN = 1,
    MKY43_ER_NOTOPEN = 2,
    MKY43_ER_INVALIDPARAM = 3,
    MKY43_ER_OPENDEVICE = 4,
    MKY43_ER_CREATETHREAD = 5,
    MKY43_ER_CREATESEMAPH = 6,
    MKY43_ER_CREATEMAP = 7,
    MKY43_ER_CREATEMAIL = 8,
    MKY43_ER_CREATEEVENT = 9,
    MKY43_ER_INICONFIG = 10,
    MKY43_ER_ALREADYSTART = 11,
    MKY43_ER_NOTSTART = 12,
    MKY43_ER_ALREADYCONNECT = 14,
    MKY43_ER_CONNECT = 15,
    MKY43_ER_UNCONNECT = 16,
    MKY43_ER_NOTGMACCSES = 17,
    MKY43_ER_ALREADYMAILOPEN = 18,
    MKY43_ER_MAILNOTOPEN = 19,
    MKY43_ER_MAILSIZE = 20,
    MKY43_ER_MAILSENDING = 21,
    MKY43_ER_MAILNOTRECEIVE = 22,
    MKY43_ER_MAILSENDRESULT = 23,
    MKY43_ER_MAILRECEIVE = 24,
    MKY43_ER_MAILCLOSE = 25,
    MKY43_ER_DATASIZE = 26,
    MKY43_ER_NOTSUPPORT = 27
};

#ifdef __cplusplus
extern "C" {
#endif

/* One prototype a line, so that each call reads (and is found) as a whole. */
/* clang-format off */
/* Identity: no board, no check, no log line. A NULL buffer gives NULL. */
RAVLIB_API char* RAVLIB_CALL RV_boardname(char* text);
RAVLIB_API char* RAVLIB_CALL RV_dllname(char* text);
RAVLIB_API char* RAVLIB_CALL RV_version(char* text);
RAVLIB_API int32_t RAVLIB_CALL RV_maxline(void);

/* Boards 0..3, line 0. A NULL pointer where a call reads or stores gives
   MKY43_ER_INVALIDPARAM. */
RAVLIB_API int32_t RAVLIB_CALL RV_open(int32_t board);
RAVLIB_API int32_t RAVLIB_CALL RV_close(int32_t board);

RAVLIB_API int32_t RAVLIB_CALL RV_start(int32_t board, int32_t line, int32_t stationAdr, int32_t stationSize, int32_t reserved);
RAVLIB_API int32_t RAVLIB_CALL RV_start_lf(int32_t board, int32_t line, int32_t stationAdr, int32_t stationSize, int32_t reserved);
RAVLIB_API int32_t RAVLIB_CALL RV_start_gmm(int32_t board, int32_t line, int32_t reserved);
RAVLIB_API int32_t RAVLIB_CALL RV_stop(int32_t board, int32_t line);
RAVLIB_API int32_t RAVLIB_CALL RV_reset(int32_t board, int32_t line, int32_t data);
RAVLIB_API int32_t RAVLIB_CALL RV_GetCnectStat(int32_t board, int32_t line, int32_t* stationAdr, int32_t* stationSize);
RAVLIB_API int32_t RAVLIB_CALL RV_config(int32_t board, int32_t line, int32_t rateCode);
/* ConnectState: 12 bytes; DipSwitchInfo: 20 bytes; ConnectRequest: 12 bytes. */
RAVLIB_API int32_t RAVLIB_CALL RV_Status(int32_t board, int32_t line, void* connectState);
RAVLIB_API int32_t RAVLIB_CALL RV_Name(int32_t board, int32_t line, void* dipSwitchInfo);
RAVLIB_API int32_t RAVLIB_CALL RV_Connect(int32_t board, int32_t line, const void* connectRequest);
RAVLIB_API int32_t RAVLIB_CALL RV_ConnectLF(int32_t board, int32_t line, const void* connectRequest);
RAVLIB_API int32_t RAVLIB_CALL RV_ConnectGMM(int32_t board, int32_t line);
RAVLIB_API int32_t RAVLIB_CALL RV_DisConnect(int32_t board, int32_t line);

RAVLIB_API int32_t RAVLIB_CALL RV_Alloc(int32_t board, int32_t line, int32_t stationAdr, void** block);
RAVLIB_API int32_t RAVLIB_CALL RV_Free(int32_t board, int32_t line);
RAVLIB_API int32_t RAVLIB_CALL RV_Attach(int32_t board, int32_t line, void** gm);
RAVLIB_API int32_t RAVLIB_CALL RV_Map(int32_t board, int32_t line, const char* stationAdrText, void** block);
RAVLIB_API int32_t RAVLIB_CALL RV_UnMap(int32_t board, int32_t line);

RAVLIB_API int32_t RAVLIB_CALL RV_MailOpen(int32_t board, int32_t line);
RAVLIB_API int32_t RAVLIB_CALL RV_MailClose(int32_t board, int32_t line);
/* A destination outside 0..63 answers MKY43_ER_INVALIDPARAM. */
RAVLIB_API int32_t RAVLIB_CALL RV_MailSend(int32_t board, int32_t line, int32_t stationAdr, const int16_t* data, int32_t length);
RAVLIB_API int32_t RAVLIB_CALL RV_MailReceive(int32_t board, int32_t line, int16_t* data, int32_t length, int32_t* sourceAdr);
RAVLIB_API int32_t RAVLIB_CALL RV_MailStatus(int32_t board, int32_t line, int16_t* status);
RAVLIB_API int32_t RAVLIB_CALL RV_MailWaitObject(int32_t board, int32_t line, int16_t* status);

RAVLIB_API int32_t RAVLIB_CALL RV_Ck(int32_t board, int32_t line, uint16_t* checkCode);
RAVLIB_API int32_t RAVLIB_CALL RV_Put(int32_t board, int32_t line, const void* block8);
RAVLIB_API int32_t RAVLIB_CALL RV_Get(int32_t board, int32_t line, int32_t stationAdr, void* block8);

/* Offsets: low 16 bits. RV_GetReg64 stores the low word, then the high word. */
RAVLIB_API int32_t RAVLIB_CALL RV_GetReg64(int32_t board, int32_t line, int32_t offset, int32_t* lowHigh);
RAVLIB_API int32_t RAVLIB_CALL RV_GetReg32(int32_t board, int32_t line, int32_t offset, int32_t* value);
RAVLIB_API int32_t RAVLIB_CALL RV_GetReg16(int32_t board, int32_t line, int32_t offset, uint16_t* value);
RAVLIB_API int32_t RAVLIB_CALL RV_SetReg64(int32_t board, int32_t line, int32_t offset, int32_t low, int32_t high);
RAVLIB_API int32_t RAVLIB_CALL RV_SetReg32(int32_t board, int32_t line, int32_t offset, int32_t value);
RAVLIB_API int32_t RAVLIB_CALL RV_SetReg16(int32_t board, int32_t line, int32_t offset, int32_t value);

/* Station address, index and count: low 16 bits. The byte-wide pair always
   answers MKY43_ER_NOTSUPPORT. */
RAVLIB_API int32_t RAVLIB_CALL RV_GetMemByte(int32_t board, int32_t line, void* data, int32_t stationAdr, int32_t index, int32_t count);
RAVLIB_API int32_t RAVLIB_CALL RV_GetMemShort(int32_t board, int32_t line, int16_t* data, int32_t stationAdr, int32_t index, int32_t count);
RAVLIB_API int32_t RAVLIB_CALL RV_GetMemLong(int32_t board, int32_t line, int32_t* data, int32_t stationAdr, int32_t index, int32_t count);
RAVLIB_API int32_t RAVLIB_CALL RV_GetMemDLong(int32_t board, int32_t line, int32_t* data, int32_t stationAdr, int32_t index, int32_t count);
RAVLIB_API int32_t RAVLIB_CALL RV_SetMemByte(int32_t board, int32_t line, void* data, int32_t stationAdr, int32_t index, int32_t count);
RAVLIB_API int32_t RAVLIB_CALL RV_SetMemShort(int32_t board, int32_t line, const int16_t* data, int32_t stationAdr, int32_t index, int32_t count);
RAVLIB_API int32_t RAVLIB_CALL RV_SetMemLong(int32_t board, int32_t line, const int32_t* data, int32_t stationAdr, int32_t index, int32_t count);
RAVLIB_API int32_t RAVLIB_CALL RV_SetMemDLong(int32_t board, int32_t line, const int32_t* data, int32_t stationAdr, int32_t index, int32_t count);

RAVLIB_API int32_t RAVLIB_CALL RV_HardReset(int32_t board, int32_t line);
/* clang-format on */

#ifdef __cplusplus
}
#endif

#endif
