// An object with memory is a mapping backed by the paging file; one without
// is a mutex that nobody takes, existing while a handle is open. The kernel
// removes either with its last handle, a dead holder's included.
//
// Byte-range locks live in a table at the start of the mapping, before the
// caller's bytes: an entry names its holder by process id, the process's
// start time (so a reused id is not mistaken for the holder) and the
// NamedObject. An entry whose process has gone is void. A named mutex
// guards the table while it is read and changed; a holder that dies inside
// leaves it abandoned, and the next one takes it over.
#include "lib/os/NamedObject.h"
#include "lib/os/SharedPlace.h"
#include "lib/os/win32/Handle.h"

#include <cstring>

namespace ravlib::os {

using win32::toHandle;

namespace {

struct LockEntry {
    std::uint32_t process;  // 0: free
    std::uint32_t reserved;
    std::uint64_t processStart;
    std::uint64_t holder;
    std::uint32_t offset;
    std::uint32_t length;
};

constexpr std::size_t kLockEntries = 512;
constexpr std::size_t kLockTableBytes = kLockEntries * sizeof(LockEntry);

bool validName(const char* name) {
    if (name == nullptr || name[0] == '\0')
        return false;
    std::size_t length = std::strlen(name);
    return length <= 200 && std::strchr(name, '\\') == nullptr;
}

std::uint64_t startOf(HANDLE process) {
    FILETIME created{}, ended{}, kernel{}, user{};
    if (!GetProcessTimes(process, &created, &ended, &kernel, &user))
        return 0;
    return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

std::uint64_t thisProcessStart() {
    static const std::uint64_t start = startOf(GetCurrentProcess());
    return start;
}

bool processAlive(const LockEntry& entry) {
    if (entry.process == GetCurrentProcessId())
        return entry.processStart == thisProcessStart();
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.process);
    if (process == nullptr)
        return GetLastError() == ERROR_ACCESS_DENIED;
    bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT && startOf(process) == entry.processStart;
    CloseHandle(process);
    return alive;
}

// Holds the table's guard for one scope.
class TableGuard {
public:
    explicit TableGuard(const std::string& name) : mutex_(CreateMutexA(nullptr, FALSE, (name + "_Locks").c_str())) {
        if (mutex_ == nullptr)
            return;
        DWORD result = WaitForSingleObject(mutex_, INFINITE);
        held_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    }
    ~TableGuard() {
        if (held_)
            ReleaseMutex(mutex_);
        if (mutex_ != nullptr)
            CloseHandle(mutex_);
    }
    TableGuard(const TableGuard&) = delete;
    TableGuard& operator=(const TableGuard&) = delete;

    bool held() const { return held_; }

private:
    HANDLE mutex_;
    bool held_ = false;
};

LockEntry* tableOf(void* view) {
    return reinterpret_cast<LockEntry*>(static_cast<char*>(view) - kLockTableBytes);
}

bool mine(const LockEntry& entry, const void* holder) {
    return entry.process == GetCurrentProcessId() && entry.processStart == thisProcessStart() &&
           entry.holder == reinterpret_cast<std::uintptr_t>(holder);
}

bool overlaps(const LockEntry& entry, std::size_t offset, std::size_t length) {
    return entry.offset < offset + length && offset < static_cast<std::size_t>(entry.offset) + entry.length;
}

enum class Claim { Taken, Busy, Failed };

Claim claimRange(LockEntry* table, const std::string& name, const void* holder, std::size_t offset,
                 std::size_t length) {
    TableGuard guard(name);
    if (!guard.held())
        return Claim::Failed;
    LockEntry* free = nullptr;
    for (std::size_t i = 0; i < kLockEntries; ++i) {
        LockEntry& entry = table[i];
        if (entry.process != 0 && !processAlive(entry))
            entry = LockEntry{};
        if (entry.process == 0) {
            free = free != nullptr ? free : &entry;
            continue;
        }
        if (overlaps(entry, offset, length) && !mine(entry, holder))
            return Claim::Busy;
    }
    if (free == nullptr)
        return Claim::Failed;
    *free = LockEntry{GetCurrentProcessId(),
                      0,
                      thisProcessStart(),
                      reinterpret_cast<std::uintptr_t>(holder),
                      static_cast<std::uint32_t>(offset),
                      static_cast<std::uint32_t>(length)};
    return Claim::Taken;
}

}  // namespace

std::string sharedPlaceRefusal() {
    // Named objects live in the session's own namespace, which other users
    // cannot write.
    return {};
}

NamedObject::~NamedObject() {
    close();
}

bool NamedObject::open(const char* name, std::size_t size) {
    if (handle_ >= 0 || !validName(name) || size > 0x7FFFFFFF - kLockTableBytes)
        return false;
    if (size == 0) {
        HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
        if (mutex == nullptr)
            return false;
        created_ = GetLastError() != ERROR_ALREADY_EXISTS;
        handle_ = win32::toInt(mutex);
        path_ = name;
        return true;
    }
    const std::size_t total = kLockTableBytes + size;
    HANDLE mapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, static_cast<DWORD>(total), name);
    if (mapping == nullptr)
        return false;
    bool creator = GetLastError() != ERROR_ALREADY_EXISTS;
    void* base = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0);
    MEMORY_BASIC_INFORMATION region{};
    if (base == nullptr || VirtualQuery(base, &region, sizeof region) == 0 || region.RegionSize < total) {
        if (base != nullptr)
            UnmapViewOfFile(base);
        CloseHandle(mapping);
        return false;
    }
    handle_ = win32::toInt(mapping);
    created_ = creator;
    view_ = static_cast<char*>(base) + kLockTableBytes;
    size_ = size;
    path_ = name;
    return true;
}

void NamedObject::close() {
    if (handle_ < 0)
        return;
    if (view_ != nullptr) {
        {
            TableGuard guard(path_);
            LockEntry* table = tableOf(view_);
            for (std::size_t i = 0; guard.held() && i < kLockEntries; ++i) {
                if (mine(table[i], this))
                    table[i] = LockEntry{};
            }
        }
        UnmapViewOfFile(tableOf(view_));
    }
    CloseHandle(toHandle(handle_));
    handle_ = -1;
    view_ = nullptr;
    size_ = 0;
    created_ = false;
    path_.clear();
}

bool NamedObject::tryLockRange(std::size_t offset, std::size_t length) {
    if (view_ == nullptr || length == 0 || offset + length > size_)
        return false;
    return claimRange(tableOf(view_), path_, this, offset, length) == Claim::Taken;
}

bool NamedObject::lockRange(std::size_t offset, std::size_t length) {
    if (view_ == nullptr || length == 0 || offset + length > size_)
        return false;
    // Ranges are held for a few table updates at a time; a holder that died
    // is found out by the claim.
    for (;;) {
        switch (claimRange(tableOf(view_), path_, this, offset, length)) {
        case Claim::Taken: return true;
        case Claim::Failed: return false;
        case Claim::Busy: Sleep(1); break;
        }
    }
}

void NamedObject::unlockRange(std::size_t offset, std::size_t length) {
    if (view_ == nullptr || length == 0)
        return;
    TableGuard guard(path_);
    LockEntry* table = tableOf(view_);
    for (std::size_t i = 0; guard.held() && i < kLockEntries; ++i) {
        if (mine(table[i], this) && table[i].offset == offset && table[i].length == length)
            table[i] = LockEntry{};
    }
}

}  // namespace ravlib::os
