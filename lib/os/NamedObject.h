// A named object shared by processes, with the lifetime of a kernel object:
// the first holder creates it zeroed, later holders open the same memory, and
// it is gone once its last holder has closed it or died.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ravlib::os {

class NamedObject {
public:
    NamedObject() = default;
    ~NamedObject();
    NamedObject(const NamedObject&) = delete;
    NamedObject& operator=(const NamedObject&) = delete;

    // Creates or opens the object `name` with `size` bytes of shared memory
    // (size may be 0). False when one is already held, the name is not a
    // plain name, an existing object is smaller than `size`, or the system
    // refuses.
    bool open(const char* name, std::size_t size);
    void close();

    bool isOpen() const { return handle_ >= 0; }
    // True when this open made the object (its memory starts zeroed).
    bool created() const { return created_; }
    void* view() const { return view_; }
    std::size_t size() const { return size_; }

    // Byte-range locks owned by this holder, dropped by unlock, close or the
    // holder's death. Other holders, also in this process, are excluded.
    bool tryLockRange(std::size_t offset, std::size_t length);
    bool lockRange(std::size_t offset, std::size_t length);
    void unlockRange(std::size_t offset, std::size_t length);

private:
    int handle_ = -1;
    bool created_ = false;
    void* view_ = nullptr;
    std::size_t size_ = 0;
    std::string path_;
};

}  // namespace ravlib::os
