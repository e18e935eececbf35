// The 16-bit accesses of the chip window: every GM, buffer and register
// access of the library goes through these two, as the board requires.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ravlib::os {

std::uint16_t read16(const void* base, std::size_t offset);
void write16(void* base, std::size_t offset, std::uint16_t value);

// What each platform's read16 and write16 call after the access, for the
// test recorder below.
void tellChipAccess(bool write, const void* base, std::size_t offset, std::uint16_t value);

}  // namespace ravlib::os

namespace ravlib::os::testing {

struct ChipAccess {
    bool write;
    const void* base;
    std::size_t offset;
    std::uint16_t value;  // the value written, or the one read
};

// Sees every access right after it happened, on the accessing thread.
class ChipAccessRecorder {
public:
    virtual void seen(const ChipAccess& access) = 0;

protected:
    ~ChipAccessRecorder() = default;
};

// One recorder at a time; null stops recording. Returns once no call into
// the previous recorder is still under way, so the caller may destroy it.
// While none is set an access pays one relaxed atomic load.
void recordChipAccess(ChipAccessRecorder* recorder);

}  // namespace ravlib::os::testing
