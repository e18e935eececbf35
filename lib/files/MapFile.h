// One named shared mapping: created zeroed by its first holder, opened by
// later ones, gone with its last holder.
#pragma once

#include "lib/os/NamedObject.h"

#include <cstdint>

namespace ravlib {

class MapFile {
public:
    MapFile() noexcept;
    virtual ~MapFile();
    MapFile(const MapFile&) = delete;
    MapFile& operator=(const MapFile&) = delete;

    // Creates or opens the mapping with `size` writable bytes. False when
    // one is already held or the mapping cannot be made.
    bool openMap(const char* name, uint32_t size);
    void closeMap();

    bool isOpen() const { return mapping_.isOpen(); }
    // True when this process created the mapping.
    bool created() const { return created_; }
    void* view() const { return mapping_.view(); }
    uint32_t size() const { return size_; }
    const char* name() const { return name_; }

protected:
    os::NamedObject& mapping() { return mapping_; }

private:
    os::NamedObject mapping_;
    char name_[260];
    uint32_t size_ = 0;
    bool created_ = false;
};

}  // namespace ravlib
