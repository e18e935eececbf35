// The update lock is a named mutex per directory: its holder's death
// abandons it, and the next locker takes it over. A replacement is written
// beside the file and moved over it in one step.
#include "lib/os/FileUpdate.h"
#include "lib/os/win32/Handle.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <string>

namespace ravlib::os {

using win32::toHandle;

namespace {

constexpr DWORD maxFileSize = 16 * 1024 * 1024;

std::string directoryOf(const char* path) {
    char full[MAX_PATH * 4];
    char* name = nullptr;
    DWORD length = GetFullPathNameA(path, sizeof full, full, &name);
    if (length == 0 || length >= sizeof full)
        return path;
    if (name != nullptr)
        *name = '\0';
    return full;
}

// Directory names are case-blind, and may be longer than an object name.
std::string lockName(const std::string& directory) {
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : directory) {
        hash ^= static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c == '/' ? '\\' : c)));
        hash *= 1099511628211ull;
    }
    char name[64];
    std::snprintf(name, sizeof name, "RavlibFileUpdate_%016llx", static_cast<unsigned long long>(hash));
    return name;
}

bool writeAll(HANDLE file, const std::string& contents) {
    std::size_t done = 0;
    while (done < contents.size()) {
        DWORD n = 0;
        if (!WriteFile(file, contents.data() + done, static_cast<DWORD>(contents.size() - done), &n, nullptr) || n == 0)
            return false;
        done += n;
    }
    return true;
}

}  // namespace

FileUpdateLock::FileUpdateLock(const char* path) {
    if (path == nullptr || *path == '\0')
        return;
    HANDLE mutex = CreateMutexA(nullptr, FALSE, lockName(directoryOf(path)).c_str());
    if (mutex == nullptr)
        return;
    DWORD result = WaitForSingleObject(mutex, INFINITE);
    if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) {
        CloseHandle(mutex);
        return;
    }
    handle_ = win32::toInt(mutex);
}

FileUpdateLock::~FileUpdateLock() {
    if (handle_ >= 0) {
        ReleaseMutex(toHandle(handle_));
        CloseHandle(toHandle(handle_));
    }
}

ReadResult readFile(const char* path, std::string& contents) {
    contents.clear();
    if (path == nullptr || *path == '\0')
        return ReadResult::Failed;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::Missing
                                                                              : ReadResult::Failed;
    }
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= maxFileSize;
    char buffer[4096];
    while (ok) {
        DWORD n = 0;
        ok = ReadFile(file, buffer, sizeof buffer, &n, nullptr) && contents.size() + n <= maxFileSize;
        if (!ok || n == 0)
            break;
        contents.append(buffer, n);
    }
    CloseHandle(file);
    if (!ok) {
        contents.clear();
        return ReadResult::Failed;
    }
    return ReadResult::Ok;
}

bool replaceFile(const char* path, const std::string& contents) {
    if (path == nullptr || *path == '\0')
        return false;
    static std::atomic<unsigned> serial{0};
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    std::string temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp =
            std::string(path) + "." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(serial++) + ".tmp";
        file = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = writeAll(file, contents) && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    ok = ok && MoveFileExA(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok)
        DeleteFileA(temp.c_str());
    return ok;
}

}  // namespace ravlib::os
