// Raw 16-, 32- and 64-bit access to any location of the chip window, as
// 16-bit accesses in ascending address order, lowest word least significant.
#pragma once

#include <cstdint>

namespace ravlib {

class RegisterAccess {
public:
    explicit RegisterAccess(std::uint8_t* window) : window_(window) {}

    // `width` 2, 4 or 8 bytes. MKY43_ER_UNCONNECT without a window,
    // MKY43_ER_INVALIDPARAM (touching nothing) when the access would leave it.
    int32_t read(std::uint16_t offset, int width, std::uint64_t* value) const;
    int32_t write(std::uint16_t offset, int width, std::uint64_t value) const;

private:
    int32_t refusal(std::uint16_t offset, int width) const;

    std::uint8_t* window_;
};

}  // namespace ravlib
