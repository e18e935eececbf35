#include "lib/MapFile.h"

#include <cstring>

namespace ravlib {

MapFile::MapFile() noexcept : name_ {} {}

MapFile::~MapFile()
{
    closeMap();
}

bool MapFile::openMap(const char* name, uint32_t size)
{
    if (mapping_.isOpen() || name == nullptr || std::strlen(name) >= sizeof name_ || size == 0)
        return false;
    if (!mapping_.open(name, size))
        return false;
    std::strcpy(name_, name);
    size_ = size;
    created_ = mapping_.created();
    // The creator starts from zeros.
    if (created_)
        std::memset(mapping_.view(), 0, size);
    return true;
}

void MapFile::closeMap()
{
    mapping_.close();
    name_[0] = '\0';
    size_ = 0;
    created_ = false;
}

}  // namespace ravlib
