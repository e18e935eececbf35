// Shared pieces of the log tests: a fixed clock and the lines it writes.
#pragma once

#include "lib/files/LogFile.h"

#include <string>
#include <vector>

namespace ravtest {

inline ravlib::os::LocalTime fixedTime() {
    return {2026, 12, 9, 5, 7, 3};
}

inline uint32_t fixedTick() {
    return 4242;
}

inline constexpr const char* fixedPrefix = "12/09/26 05:07:03 ";

// Opens a log the way the library does at load, with the fixed clock.
inline bool openLog(ravlib::LogFile& log, int32_t defaultLevel = 0) {
    log.setClock(fixedTime, fixedTick);
    return log.open("RavlibLog", "RavlibLog.ini", "RavlibLog.Map", defaultLevel);
}

// A TRACE line as the fixed clock writes it.
inline std::string traceLine(const std::string& message) {
    return std::string(fixedPrefix) + "**   " + message + "\r\n";
}

}  // namespace ravtest
