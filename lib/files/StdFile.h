// One plain file, opened for writing and positioned at its end: the log's
// output file.
#pragma once

#include "lib/os/File.h"

#include <cstdint>

namespace ravlib {

class StdFile {
public:
    StdFile() noexcept;
    virtual ~StdFile();
    StdFile(const StdFile&) = delete;
    StdFile& operator=(const StdFile&) = delete;

    // Resolves the name against the current directory and opens it for
    // writing at its end. False when a file is already open or the open fails.
    virtual bool open(const char* name, os::Disposition disposition);
    virtual void close();
    // Bytes transferred, or -1 when no file is open or the call fails.
    virtual int32_t read(void* buffer, uint32_t count);
    virtual int32_t write(const void* buffer, uint32_t count);

    bool isOpen() const { return file_.isOpen(); }
    const char* path() const { return path_; }

private:
    os::File file_;
    char path_[260];
};

}  // namespace ravlib
