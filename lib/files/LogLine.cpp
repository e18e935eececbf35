#include "lib/files/LogLine.h"

#include <cstdio>
#include <cstring>

namespace ravlib {

namespace {

// Two characters, then more spaces the higher the severity.
const char* markerOf(int32_t level) {
    switch (level & 0xFF) {
    case 0x01: return "@@   ";
    case 0x02: return "**   ";
    case 0x04: return "##    ";
    case 0x08: return "++     ";
    case 0x10: return "--      ";
    case 0x20: return "==       ";
    default: return nullptr;
    }
}

}  // namespace

uint32_t formatLogLine(char (&out)[logLineSize], const os::LocalTime& time, bool withTick, uint32_t tick, int32_t level,
                       const char* message) {
    int n = std::snprintf(out, logLineSize, "%02d/%02d/%02d %02d:%02d:%02d ", time.month % 100, time.day % 100,
                          time.year % 100, time.hour % 100, time.minute % 100, time.second % 100);
    uint32_t length = n > 0 ? static_cast<uint32_t>(n) : 0;
    if (withTick)
        length += static_cast<uint32_t>(std::snprintf(out + length, logLineSize - length, "[%u] ", tick));
    if (const char* marker = markerOf(level)) {
        std::size_t markerLength = std::strlen(marker);
        std::memcpy(out + length, marker, markerLength);
        length += static_cast<uint32_t>(markerLength);
        // Room for the message: the buffer less "\r\n" and the NUL.
        std::size_t room = logLineSize - 3 - length;
        if (message != nullptr) {
            const void* end = std::memchr(message, '\0', room);
            std::size_t messageLength = end ? static_cast<std::size_t>(static_cast<const char*>(end) - message) : room;
            std::memcpy(out + length, message, messageLength);
            length += static_cast<uint32_t>(messageLength);
        }
    }
    std::memcpy(out + length, "\r\n", 3);
    return length + 2;
}

}  // namespace ravlib
