#include "lib/os/File.h"
#include "lib/os/win32/Handle.h"

#include <climits>

namespace ravlib::os {

using win32::toHandle;

namespace {

DWORD creation(Disposition disposition) {
    switch (disposition) {
    case Disposition::CreateNew: return CREATE_NEW;
    case Disposition::CreateAlways: return CREATE_ALWAYS;
    case Disposition::OpenExisting: return OPEN_EXISTING;
    case Disposition::OpenAlways: return OPEN_ALWAYS;
    case Disposition::TruncateExisting: return TRUNCATE_EXISTING;
    }
    return 0;
}

DWORD rights(Access access) {
    switch (access) {
    case Access::Read: return GENERIC_READ;
    case Access::Write: return GENERIC_WRITE;
    case Access::ReadWrite: return GENERIC_READ | GENERIC_WRITE;
    }
    return 0;
}

}  // namespace

File::~File() {
    close();
}

bool File::open(const char* path, Disposition disposition, Access access) {
    DWORD how = creation(disposition);
    if (handle_ >= 0 || path == nullptr || how == 0)
        return false;
    if (how == TRUNCATE_EXISTING && access == Access::Read)
        return false;
    // Other processes append to the same log files and read them meanwhile.
    HANDLE file = CreateFileA(path, rights(access), FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              how, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    if (SetFilePointer(file, 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) {
        CloseHandle(file);
        return false;
    }
    handle_ = win32::toInt(file);
    return true;
}

void File::close() {
    if (handle_ >= 0) {
        CloseHandle(toHandle(handle_));
        handle_ = -1;
    }
}

int32_t File::read(void* buffer, uint32_t count) {
    if (handle_ < 0 || (buffer == nullptr && count > 0))
        return -1;
    DWORD done = 0;
    if (!ReadFile(toHandle(handle_), buffer, count > INT32_MAX ? INT32_MAX : count, &done, nullptr))
        return -1;
    return static_cast<int32_t>(done);
}

int32_t File::write(const void* buffer, uint32_t count) {
    if (handle_ < 0 || (buffer == nullptr && count > 0))
        return -1;
    DWORD done = 0;
    if (!WriteFile(toHandle(handle_), buffer, count > INT32_MAX ? INT32_MAX : count, &done, nullptr))
        return -1;
    return static_cast<int32_t>(done);
}

}  // namespace ravlib::os
