// Chip window accesses on the simulated board: the sim's accessors apply a
// register's synchronous effect in this process.
#include "lib/os/ChipAccess.h"

#include "sim/RegisterAccess.h"

namespace ravlib::os {

std::uint16_t read16(const void* base, std::size_t offset) {
    const std::uint16_t value = ravsim::read16(base, offset);
    tellChipAccess(false, base, offset, value);
    return value;
}

void write16(void* base, std::size_t offset, std::uint16_t value) {
    ravsim::write16(base, offset, value);
    tellChipAccess(true, base, offset, value);
}

}  // namespace ravlib::os
