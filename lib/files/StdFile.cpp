#include "lib/files/StdFile.h"

#include "lib/os/Path.h"

#include <cstring>

namespace ravlib {

StdFile::StdFile() noexcept : path_{} {}

StdFile::~StdFile() {
    close();
}

bool StdFile::open(const char* name, os::Disposition disposition) {
    if (file_.isOpen() || name == nullptr)
        return false;
    if (!os::fullPath(name, path_, sizeof path_)) {
        if (std::strlen(name) >= sizeof path_)
            return false;  // a cut name would be another file
        std::strcpy(path_, name);
    }
    return file_.open(path_, disposition, os::Access::Write);
}

void StdFile::close() {
    file_.close();
}

int32_t StdFile::read(void* buffer, uint32_t count) {
    return file_.read(buffer, count);
}

int32_t StdFile::write(const void* buffer, uint32_t count) {
    return file_.write(buffer, count);
}

}  // namespace ravlib
