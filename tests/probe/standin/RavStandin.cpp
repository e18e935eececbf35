// A stand-in board library for the test program's tests: it exports the RV_
// names, records every call and answers with codes a test scripts. Build
// options leave out chosen exports and set the name RV_dllname reports.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
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
// The chip window as the library would see it: GM, mail buffers, registers.
uint8_t chip[0x1000];
int16_t mailStatus;
int32_t receiveSa;

// Records "name(board,line[,args])" and answers the scripted code (0 unless set).
int32_t record(const char* name, int32_t board, int32_t line, const std::string& detail = std::string()) {
    std::lock_guard<std::mutex> hold(callsLock);
    calls.push_back(std::string(name) + "(" + std::to_string(board) + "," + std::to_string(line) + detail + ")");
    const auto it = results.find(name);
    return it == results.end() ? 0 : it->second;
}

std::string args(std::initializer_list<long long> values) {
    std::string text;
    for (long long v : values)
        text += "," + std::to_string(v);
    return text;
}

std::string hexWords(const int16_t* data, int count) {
    std::string text = ",";
    char word[8];
    for (int i = 0; i < count; ++i) {
        std::snprintf(word, sizeof word, i == 0 ? "%04X" : " %04X", static_cast<uint16_t>(data[i]));
        text += word;
    }
    return text;
}

bool inChip(int32_t offset, int32_t length) {
    return offset >= 0 && length >= 0 && offset + length <= 0x1000;
}

void readChip(int32_t offset, void* out, int32_t length) {
    std::lock_guard<std::mutex> hold(callsLock);
    if (inChip(offset, length))
        std::memcpy(out, chip + offset, static_cast<std::size_t>(length));
}

void writeChip(int32_t offset, const void* in, int32_t length) {
    std::lock_guard<std::mutex> hold(callsLock);
    if (inChip(offset, length))
        std::memcpy(chip + offset, in, static_cast<std::size_t>(length));
}

char* copyText(char* buffer, const char* text) {
    if (buffer != nullptr)
        std::strcpy(buffer, text);
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
    std::memset(chip, 0, sizeof chip);
    mailStatus = 0;
    receiveSa = 0;
}

// Sets bytes of the chip window (GM at 0, registers at 0x300, received mail at 0x400).
STANDIN_API void RavStandin_poke(int32_t offset, const void* bytes, int32_t length) {
    writeChip(offset, bytes, length);
}

STANDIN_API void RavStandin_peek(int32_t offset, void* bytes, int32_t length) {
    readChip(offset, bytes, length);
}

// The status word RV_MailStatus and RV_MailWaitObject deliver, and the sender of received mail.
STANDIN_API void RavStandin_setMail(int16_t status, int32_t sa) {
    std::lock_guard<std::mutex> hold(callsLock);
    mailStatus = status;
    receiveSa = sa;
}

STANDIN_API int32_t RavStandin_callCount() {
    std::lock_guard<std::mutex> hold(callsLock);
    return static_cast<int32_t>(calls.size());
}

// Copies call i ("RV_open(0,0)") into buffer; false when there is no such call.
STANDIN_API bool RavStandin_call(int32_t i, char* buffer, int32_t size) {
    std::lock_guard<std::mutex> hold(callsLock);
    if (i < 0 || static_cast<std::size_t>(i) >= calls.size() || size <= 0)
        return false;
    std::strncpy(buffer, calls[static_cast<std::size_t>(i)].c_str(), static_cast<std::size_t>(size) - 1);
    buffer[size - 1] = '\0';
    return true;
}

#define BOARD_LINE(name)                                                                                               \
    STANDIN_API int32_t name(int32_t board, int32_t line) {                                                            \
        return record(#name, board, line);                                                                             \
    }
#define BOARD_LINE_PTR(name, type)                                                                                     \
    STANDIN_API int32_t name(int32_t board, int32_t line, type) {                                                      \
        return record(#name, board, line);                                                                             \
    }
#define BOARD_LINE_INT_PTR(name, type)                                                                                 \
    STANDIN_API int32_t name(int32_t board, int32_t line, int32_t, type) {                                             \
        return record(#name, board, line);                                                                             \
    }

STANDIN_API char* RV_boardname(char* text) {
    return copyText(text, "MKY43 RAVEL-PCIE-MST");
}
STANDIN_API char* RV_dllname(char* text) {
    return copyText(text, STANDIN_IDENTITY);
}
STANDIN_API char* RV_version(char* text) {
    return copyText(text, "1.0.0.0");
}
STANDIN_API int32_t RV_maxline() {
    return 1;
}
#ifndef STANDIN_WITHOUT_RV_open
STANDIN_API int32_t RV_open(int32_t board) {
    return record("RV_open", board, 0);
}
#endif
STANDIN_API int32_t RV_close(int32_t board) {
    return record("RV_close", board, 0);
}
STANDIN_API int32_t RV_start(int32_t board, int32_t line, int32_t sa, int32_t size, int32_t mode) {
    return record("RV_start", board, line, args({sa, size, mode}));
}
STANDIN_API int32_t RV_start_lf(int32_t board, int32_t line, int32_t sa, int32_t size, int32_t mode) {
    return record("RV_start_lf", board, line, args({sa, size, mode}));
}
STANDIN_API int32_t RV_start_gmm(int32_t board, int32_t line, int32_t mode) {
    return record("RV_start_gmm", board, line, args({mode}));
}
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
STANDIN_API int32_t RV_Map(int32_t board, int32_t line, const char*, void**) {
    return record("RV_Map", board, line);
}
BOARD_LINE(RV_UnMap)
BOARD_LINE(RV_MailOpen)
BOARD_LINE(RV_MailClose)
STANDIN_API int32_t RV_MailSend(int32_t board, int32_t line, int32_t sa, const int16_t* data, int32_t length) {
    // The first 8 bytes as text show what was sent.
    char head[9] = {};
    if (data != nullptr)
        std::memcpy(head, data, 8);
    return record("RV_MailSend", board, line, args({sa, length}) + "," + head);
}
STANDIN_API int32_t RV_MailReceive(int32_t board, int32_t line, int16_t* buffer, int32_t length, int32_t* sa) {
    const int32_t r = record("RV_MailReceive", board, line, args({length}));
    if (r == 0 && buffer != nullptr && length >= 0 && length <= 256)
        readChip(0x400, buffer, length);
    if (r == 0 && sa != nullptr) {
        std::lock_guard<std::mutex> hold(callsLock);
        *sa = receiveSa;
    }
    return r;
}
namespace {
int32_t mailWord(const char* name, int32_t board, int32_t line, int16_t* status) {
    const int32_t r = record(name, board, line);
    std::lock_guard<std::mutex> hold(callsLock);
    if (status != nullptr)
        *status = mailStatus;
    return r;
}
}  // namespace
#ifndef STANDIN_WITHOUT_RV_MailStatus
STANDIN_API int32_t RV_MailStatus(int32_t board, int32_t line, int16_t* status) {
    return mailWord("RV_MailStatus", board, line, status);
}
#endif
STANDIN_API int32_t RV_MailWaitObject(int32_t board, int32_t line, int16_t* status) {
    return mailWord("RV_MailWaitObject", board, line, status);
}
BOARD_LINE_PTR(RV_Ck, uint16_t*)
BOARD_LINE_PTR(RV_Put, const void*)
BOARD_LINE_INT_PTR(RV_Get, void*)
STANDIN_API int32_t RV_GetReg16(int32_t board, int32_t line, int32_t offset, uint16_t* value) {
    const int32_t r = record("RV_GetReg16", board, line, args({offset}));
    if (r == 0)
        readChip(offset & 0xFFFF, value, 2);
    return r;
}
BOARD_LINE_INT_PTR(RV_GetReg32, int32_t*)
STANDIN_API int32_t RV_GetReg64(int32_t board, int32_t line, int32_t offset, int32_t* value) {
    const int32_t r = record("RV_GetReg64", board, line, args({offset}));
    if (r == 0)
        readChip(offset & 0xFFFF, value, 8);
    return r;
}
STANDIN_API int32_t RV_SetReg16(int32_t board, int32_t line, int32_t offset, int32_t value) {
    const uint16_t word = static_cast<uint16_t>(value);
    writeChip(offset & 0xFFFF, &word, 2);
    return record("RV_SetReg16", board, line, args({offset, word}));
}
BOARD_LINE_INT_PTR(RV_SetReg32, int32_t)
STANDIN_API int32_t RV_SetReg64(int32_t board, int32_t line, int32_t offset, int32_t low, int32_t high) {
    const int32_t words[2] = {low, high};
    writeChip(offset & 0xFFFF, words, 8);
    return record("RV_SetReg64", board, line, args({offset, static_cast<uint32_t>(low), static_cast<uint32_t>(high)}));
}
STANDIN_API int32_t RV_GetMemByte(int32_t board, int32_t line, void*, int32_t, int32_t, int32_t) {
    record("RV_GetMemByte", board, line);
    return 27;
}
STANDIN_API int32_t RV_GetMemShort(int32_t board, int32_t line, int16_t* buffer, int32_t sa, int32_t index,
                                   int32_t count) {
    const int32_t r = record("RV_GetMemShort", board, line, args({sa, index, count}));
    if (r == 0 && sa >= 0 && sa < 64 && index >= 0 && count >= 0)
        readChip(sa * 8 + index * 2, buffer, count * 2);
    return r;
}
STANDIN_API int32_t RV_GetMemLong(int32_t board, int32_t line, int32_t*, int32_t sa, int32_t index, int32_t count) {
    return record("RV_GetMemLong", board, line, args({sa, index, count}));
}
STANDIN_API int32_t RV_GetMemDLong(int32_t board, int32_t line, int32_t*, int32_t sa, int32_t index, int32_t count) {
    return record("RV_GetMemDLong", board, line, args({sa, index, count}));
}
STANDIN_API int32_t RV_SetMemByte(int32_t board, int32_t line, void*, int32_t sa, int32_t index, int32_t count) {
    record("RV_SetMemByte", board, line, args({sa, index, count}));
    return 27;
}
STANDIN_API int32_t RV_SetMemShort(int32_t board, int32_t line, const int16_t* data, int32_t sa, int32_t index,
                                   int32_t count) {
    const int32_t r = record("RV_SetMemShort", board, line, args({sa, index, count}) + hexWords(data, count));
    if (r == 0 && sa >= 0 && sa < 64 && index >= 0 && count >= 0)
        writeChip(sa * 8 + index * 2, data, count * 2);
    return r;
}
STANDIN_API int32_t RV_SetMemLong(int32_t board, int32_t line, const int32_t* data, int32_t sa, int32_t index,
                                  int32_t count) {
    const int32_t r = record("RV_SetMemLong", board, line,
                             args({sa, index, count}) + hexWords(reinterpret_cast<const int16_t*>(data), count * 2));
    if (r == 0 && sa >= 0 && sa < 64 && index >= 0 && count >= 0)
        writeChip(sa * 8 + index * 4, data, count * 4);
    return r;
}
STANDIN_API int32_t RV_SetMemDLong(int32_t board, int32_t line, const int32_t*, int32_t sa, int32_t index,
                                   int32_t count) {
    return record("RV_SetMemDLong", board, line, args({sa, index, count}));
}
BOARD_LINE(RV_HardReset)
