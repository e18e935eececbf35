// Chip window accesses on the real board: volatile 16-bit loads and stores,
// the chip applies a register's effect itself.
#include "lib/os/ChipAccess.h"

namespace ravlib::os {

std::uint16_t read16(const void* base, std::size_t offset) {
    const std::uint16_t value =
        *reinterpret_cast<const volatile std::uint16_t*>(static_cast<const char*>(base) + offset);
    tellChipAccess(false, base, offset, value);
    return value;
}

void write16(void* base, std::size_t offset, std::uint16_t value) {
    *reinterpret_cast<volatile std::uint16_t*>(static_cast<char*>(base) + offset) = value;
    tellChipAccess(true, base, offset, value);
}

}  // namespace ravlib::os
