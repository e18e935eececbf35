// Log files as the tests compare them: every level switched on, and the
// lines without their date and time.
#pragma once

#include <string>
#include <vector>

namespace ravtest {

// A RavlibLog.ini that switches every level on.
inline const char* const kLogAll = "[LOG]\r\nLOGLEVEL=10007H\r\n";

// The lines of a log file with the "MM/DD/YY HH:MM:SS " prefix removed, so
// each holds the level marker and the message. A line without the prefix or
// without "\r\n" is kept whole and marked, so that a comparison shows it.
std::vector<std::string> logLines(const std::string& path);

// The detail lines of an open of `board` that finds no device: its
// semaphores made, the search failing with `error`, and the close after it.
std::vector<std::string> noDeviceOpenLines(int board, unsigned error = 2);

}  // namespace ravtest
