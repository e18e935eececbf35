// A plain file handle: open with a creation disposition, read, write, close.
#pragma once

#include <cstdint>

namespace ravlib::os {

// What open does with an existing or missing file.
enum class Disposition {
    CreateNew = 1,         // fail if it exists
    CreateAlways = 2,      // create, or empty an existing one
    OpenExisting = 3,      // fail if missing
    OpenAlways = 4,        // create if missing, keep the contents
    TruncateExisting = 5,  // fail if missing, else empty it
};

enum class Access { Read, Write, ReadWrite };

class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens `path` and places the file position at the end. False when a
    // file is already open or the system refuses. A new file gets no rights
    // for other users; a symbolic link that another user could have planted
    // (theirs, in a directory that others may write) is not followed.
    bool open(const char* path, Disposition disposition, Access access);
    void close();
    bool isOpen() const { return handle_ >= 0; }

    // Bytes transferred, or -1 when no file is open or the call fails.
    int32_t read(void* buffer, uint32_t count);
    int32_t write(const void* buffer, uint32_t count);

private:
    int handle_ = -1;
};

}  // namespace ravlib::os
