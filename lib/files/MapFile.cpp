#include "lib/files/MapFile.h"

#include <cstring>

namespace ravlib {

MapFile::MapFile() noexcept : name_{} {}

MapFile::~MapFile() {
    closeMap();
}

bool MapFile::openMap(const char* name, uint32_t size) {
    if (mapping_.isOpen() || name == nullptr || std::strlen(name) >= sizeof name_ || size == 0)
        return false;
    if (!mapping_.open(name, size))
        return false;
    std::strcpy(name_, name);
    size_ = size;
    // A new mapping is zeroed by the platform while it is still private to
    // its creator; zeroing it here again would wipe what processes that
    // opened it meanwhile have written.
    created_ = mapping_.created();
    return true;
}

void MapFile::closeMap() {
    mapping_.close();
    name_[0] = '\0';
    size_ = 0;
    created_ = false;
}

}  // namespace ravlib
