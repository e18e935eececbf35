// The library's diagnostic log: level-filtered text lines in a pair of
// alternating files per process slot; the slot comes from a table that all
// processes with the library loaded share.
#pragma once

#include "lib/files/IniFile.h"
#include "lib/files/ProcMapFile.h"
#include "lib/files/StdFile.h"
#include "lib/os/Clock.h"
#include "lib/os/CriticalSection.h"

#include <atomic>
#include <cstdint>

namespace ravlib {

inline constexpr int32_t LOG_NG = 0x10001;
inline constexpr int32_t LOG_TRACE = 0x10002;
inline constexpr int32_t LOG_DETAIL = 0x10004;

class LogFile {
public:
    LogFile() noexcept;
    virtual ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Opens the log at library load; false when the slot table or the log
    // file cannot be had. Where no safe place for the table exists the
    // process logs alone, in slot 0, and writes no position keys back.
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

    // Processes that have the library loaded now; 0 when no table is held,
    // 1 when logging alone.
    int32_t processCount() const;

    int32_t slotNo() const;

    // Replaces the calendar clock and the millisecond tick (for tests).
    void setClock(os::LocalTime (*now)(), uint32_t (*tick)());

private:
    bool fileName(char (&name)[260]) const;
    bool openFile(os::Disposition disposition);
    bool rotate();
    // The slot that names the files and the position keys.
    int32_t slot() const;

    char baseName_[260];
    int32_t fileNo_ = 0;
    int32_t lineCount_ = 0;
    int32_t maxLine_ = 0;
    int32_t withTick_ = 0;
    std::atomic<int32_t> levelMask_{0};
    StdFile file_;
    IniFile ini_;
    mutable ProcMapFile slots_;
    bool alone_ = false;  // open without a shared slot table
    mutable os::CriticalSection lock_;
    os::LocalTime (*now_)() = os::localTime;
    uint32_t (*tick_)() = os::tickMs;
};

// The process-wide log.
LogFile& theLog();

}  // namespace ravlib
