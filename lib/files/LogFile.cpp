// The level filter runs before anything is formatted; the line-count check,
// rotation, write and count happen together under the lock.
#include "lib/files/LogFile.h"

#include "lib/files/LogLine.h"
#include "lib/os/Path.h"
#include "lib/os/SharedPlace.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace ravlib {

namespace {

constexpr const char* section = "LOG";

}  // namespace

LogFile::LogFile() noexcept : baseName_{} {}

LogFile::~LogFile() {
    close();
}

bool LogFile::open(const char* baseName, const char* iniName, const char* mapName, int32_t defaultLevel) {
    if (baseName == nullptr || iniName == nullptr || mapName == nullptr)
        return false;
    std::lock_guard guard(lock_);
    if (slots_.isOpen() || alone_)
        return false;
    if (!os::fullPath(baseName, baseName_, sizeof baseName_)) {
        if (std::strlen(baseName) >= sizeof baseName_)
            return false;
        std::strcpy(baseName_, baseName);
    }
    ini_.setFile(iniName);
    if (!slots_.openMap(mapName, ProcMapFile::tableSize) || !slots_.claimSlot()) {
        // With no safe place to share the table in, the process logs alone
        // in slot 0, so that its calls can still say why they fail.
        if (slots_.isOpen() || os::sharedPlaceRefusal().empty())
            return false;
        alone_ = true;
    }

    char key[32];
    levelMask_.store(ini_.getHex(section, "LOGLEVEL", defaultLevel), std::memory_order_relaxed);
    maxLine_ = ini_.getInt(section, "LOGMAXLINE", 4000);
    withTick_ = ini_.getInt(section, "LOGTICKCOUNT", 0);
    std::snprintf(key, sizeof key, "FILENO_%02d", slot());
    fileNo_ = ini_.getInt(section, key, 0);
    std::snprintf(key, sizeof key, "LOGLINE_%02d", slot());
    lineCount_ = ini_.getInt(section, key, 0);
    // A full name with no room left for the file's own name is treated as
    // one that cannot be resolved: the name as passed, in the current
    // directory. Rotation never makes the name longer than this first one.
    char name[260];
    if (!fileName(name) && std::strlen(baseName) < sizeof baseName_)
        std::strcpy(baseName_, baseName);
    return openFile(os::Disposition::OpenAlways);
}

bool LogFile::fileName(char (&name)[260]) const {
    int n = std::snprintf(name, sizeof name, "%s_%02d%02d.log", baseName_, slot(), fileNo_);
    return n >= 0 && static_cast<std::size_t>(n) < sizeof name;
}

bool LogFile::openFile(os::Disposition disposition) {
    char name[260];
    return fileName(name) && file_.open(name, disposition);
}

int32_t LogFile::slot() const {
    return alone_ ? 0 : slots_.slotNo();
}

bool LogFile::rotate() {
    file_.close();
    fileNo_ = static_cast<int32_t>((static_cast<int64_t>(fileNo_) + 1) % 2);
    lineCount_ = 0;
    return openFile(os::Disposition::CreateAlways);
}

bool LogFile::enabled(int32_t level) const {
    int32_t mask = levelMask_.load(std::memory_order_relaxed);
    return (level & ~0xFF & mask) != 0 && (level & 0xFF & mask) != 0;
}

void LogFile::write(int32_t level, const char* message) {
    if (!enabled(level))
        return;
    std::lock_guard guard(lock_);
    // The log may have been closed meanwhile; a write must not reopen it.
    if (!enabled(level))
        return;
    if (lineCount_ >= maxLine_ && !rotate())
        return;
    char line[logLineSize];
    uint32_t length = formatLogLine(line, now_(), withTick_ != 0, tick_(), level, message);
    file_.write(line, length);
    ++lineCount_;
}

void LogFile::writef(int32_t level, const char* format, ...) {
    if (!enabled(level) || format == nullptr)
        return;
    char message[logLineSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    write(level, message);
}

void LogFile::close() {
    std::lock_guard guard(lock_);
    levelMask_.store(0, std::memory_order_relaxed);
    if (slots_.isOpen()) {
        if (slots_.slotNo() >= 0) {
            char key[32];
            std::snprintf(key, sizeof key, "FILENO_%02d", slots_.slotNo());
            ini_.writeInt(section, key, fileNo_);
            std::snprintf(key, sizeof key, "LOGLINE_%02d", slots_.slotNo());
            ini_.writeInt(section, key, lineCount_);
        }
        slots_.releaseSlot();
        slots_.closeMap();
    }
    // Alone, slot 0's keys belong to whoever holds slot 0 in a shared table.
    alone_ = false;
    ini_.close();
    file_.close();
}

int32_t LogFile::processCount() const {
    std::lock_guard guard(lock_);
    return alone_ ? 1 : slots_.processCount();
}

int32_t LogFile::slotNo() const {
    std::lock_guard guard(lock_);
    return slot();
}

void LogFile::setClock(os::LocalTime (*now)(), uint32_t (*tick)()) {
    std::lock_guard guard(lock_);
    now_ = now ? now : os::localTime;
    tick_ = tick ? tick : os::tickMs;
}

LogFile& theLog() {
    static LogFile log;
    return log;
}

}  // namespace ravlib
