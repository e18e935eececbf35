// A stand-in board library for the test program's tests: it exports the RV_
// names, records every call and answers with codes a test scripts. Build
// options leave out chosen exports and set the name RV_dllname reports.
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#define STANDIN_API extern "C" __attribute__((visibility("default")))

#ifndef STANDIN_IDENTITY
#define STANDIN_IDENTITY "Ravlib.dll"
#endif

namespace {

std::mutex callsLock;
std::vector<std::string> calls;
std::map<std::string, int32_t> results;

int32_t record(const char* name, int32_t board, int32_t line) {
  std::lock_guard<std::mutex> hold(callsLock);
  calls.push_back(std::string(name) + "(" + std::to_string(board) + "," + std::to_string(line) + ")");
  const auto it = results.find(name);
  return it == results.end() ? 0 : it->second;
}

char* copyText(char* buffer, const char* text) {
  if (buffer != nullptr) std::strcpy(buffer, text);
  return buffer;
}

}  // namespace

STANDIN_API void RavStandin_setResult(const char* name, int32_t code) {
  std::lock_guard<std::mutex> hold(callsLock);
  results[name] = code;
}

STANDIN_API void RavStandin_reset() {
  std::lock_guard<std::mutex> hold(callsLock);
  calls.clear();
  results.clear();
}

STANDIN_API int32_t RavStandin_callCount() {
  std::lock_guard<std::mutex> hold(callsLock);
  return static_cast<int32_t>(calls.size());
}

// Copies call i ("RV_open(0,0)") into buffer; false when there is no such call.
STANDIN_API bool RavStandin_call(int32_t i, char* buffer, int32_t size) {
  std::lock_guard<std::mutex> hold(callsLock);
  if (i < 0 || static_cast<std::size_t>(i) >= calls.size() || size <= 0) return false;
  std::strncpy(buffer, calls[static_cast<std::size_t>(i)].c_str(), static_cast<std::size_t>(size) - 1);
  buffer[size - 1] = '\0';
  return true;
}

#define BOARD_LINE(name) \
  STANDIN_API int32_t name(int32_t board, int32_t line) { return record(#name, board, line); }
#define BOARD_LINE_PTR(name, type) \
  STANDIN_API int32_t name(int32_t board, int32_t line, type) { return record(#name, board, line); }
#define BOARD_LINE_INT_PTR(name, type) \
  STANDIN_API int32_t name(int32_t board, int32_t line, int32_t, type) { return record(#name, board, line); }
#define MEM_ACCESS(name, type)                                                                        \
  STANDIN_API int32_t name(int32_t board, int32_t line, type, int32_t, int32_t, int32_t) {            \
    return record(#name, board, line);                                                                \
  }

STANDIN_API char* RV_boardname(char* text) { return copyText(text, "MKY43 RAVEL-PCIE-MST"); }
STANDIN_API char* RV_dllname(char* text) { return copyText(text, STANDIN_IDENTITY); }
STANDIN_API char* RV_version(char* text) { return copyText(text, "1.0.0.0"); }
STANDIN_API int32_t RV_maxline() { return 1; }
#ifndef STANDIN_WITHOUT_RV_open
STANDIN_API int32_t RV_open(int32_t board) { return record("RV_open", board, 0); }
#endif
STANDIN_API int32_t RV_close(int32_t board) { return record("RV_close", board, 0); }
STANDIN_API int32_t RV_start(int32_t board, int32_t line, int32_t, int32_t, int32_t) {
  return record("RV_start", board, line);
}
STANDIN_API int32_t RV_start_lf(int32_t board, int32_t line, int32_t, int32_t, int32_t) {
  return record("RV_start_lf", board, line);
}
BOARD_LINE_PTR(RV_start_gmm, int32_t)
BOARD_LINE(RV_stop)
BOARD_LINE_PTR(RV_reset, int32_t)
STANDIN_API int32_t RV_GetCnectStat(int32_t board, int32_t line, int32_t*, int32_t*) {
  return record("RV_GetCnectStat", board, line);
}
BOARD_LINE_PTR(RV_config, int32_t)
BOARD_LINE_PTR(RV_Status, void*)
BOARD_LINE_PTR(RV_Name, void*)
BOARD_LINE_PTR(RV_Connect, const void*)
BOARD_LINE_PTR(RV_ConnectLF, const void*)
BOARD_LINE(RV_ConnectGMM)
#ifndef STANDIN_WITHOUT_RV_DisConnect
BOARD_LINE(RV_DisConnect)
#endif
BOARD_LINE_INT_PTR(RV_Alloc, void**)
BOARD_LINE(RV_Free)
BOARD_LINE_PTR(RV_Attach, void**)
STANDIN_API int32_t RV_Map(int32_t board, int32_t line, const char*, void**) { return record("RV_Map", board, line); }
BOARD_LINE(RV_UnMap)
BOARD_LINE(RV_MailOpen)
BOARD_LINE(RV_MailClose)
STANDIN_API int32_t RV_MailSend(int32_t board, int32_t line, int32_t, const int16_t*, int32_t) {
  return record("RV_MailSend", board, line);
}
STANDIN_API int32_t RV_MailReceive(int32_t board, int32_t line, int16_t*, int32_t, int32_t*) {
  return record("RV_MailReceive", board, line);
}
#ifndef STANDIN_WITHOUT_RV_MailStatus
BOARD_LINE_PTR(RV_MailStatus, int16_t*)
#endif
BOARD_LINE_PTR(RV_MailWaitObject, int16_t*)
BOARD_LINE_PTR(RV_Ck, uint16_t*)
BOARD_LINE_PTR(RV_Put, const void*)
BOARD_LINE_INT_PTR(RV_Get, void*)
BOARD_LINE_INT_PTR(RV_GetReg16, uint16_t*)
BOARD_LINE_INT_PTR(RV_GetReg32, int32_t*)
BOARD_LINE_INT_PTR(RV_GetReg64, int32_t*)
BOARD_LINE_INT_PTR(RV_SetReg16, int32_t)
BOARD_LINE_INT_PTR(RV_SetReg32, int32_t)
STANDIN_API int32_t RV_SetReg64(int32_t board, int32_t line, int32_t, int32_t, int32_t) {
  return record("RV_SetReg64", board, line);
}
MEM_ACCESS(RV_GetMemByte, void*)
MEM_ACCESS(RV_GetMemShort, int16_t*)
MEM_ACCESS(RV_GetMemLong, int32_t*)
MEM_ACCESS(RV_GetMemDLong, int32_t*)
MEM_ACCESS(RV_SetMemByte, void*)
MEM_ACCESS(RV_SetMemShort, const int16_t*)
MEM_ACCESS(RV_SetMemLong, const int32_t*)
MEM_ACCESS(RV_SetMemDLong, const int32_t*)
BOARD_LINE(RV_HardReset)
