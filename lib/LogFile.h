// The library's diagnostic log: level-filtered text lines in a pair of
// alternating files per process slot; the slot comes from a table that all
// processes with the library loaded share.
#pragma once

#include <cstdint>

namespace ravlib {

inline constexpr int32_t LOG_NG = 0x10001;
inline constexpr int32_t LOG_TRACE = 0x10002;
inline constexpr int32_t LOG_DETAIL = 0x10004;

class LogFile {
public:
    LogFile();
    virtual ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Opens the log at library load; false when the slot table or the log
    // file cannot be had.
    bool open(const char* baseName, const char* iniName, const char* mapName, int32_t defaultLevel);

    // True when a line of this level would be written; callers test it
    // before formatting, so that a disabled level costs next to nothing.
    bool enabled(int32_t level) const;

    // Writes one already formatted message (no line end).
    void write(int32_t level, const char* message);

    // Formats into a 260-byte line buffer, only when the level is enabled.
    void writef(int32_t level, const char* format, ...) __attribute__((format(printf, 3, 4)));

    // Writes the position keys back, releases the slot and closes the file.
    void close();

    // Processes that have the library loaded now; 0 when no table is held.
    int32_t processCount() const;

    int32_t slotNo() const;

private:
    struct Impl;
    Impl* impl_ = nullptr;
};

// The process-wide log.
LogFile& theLog();

}  // namespace ravlib
