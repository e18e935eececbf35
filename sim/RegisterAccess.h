// The 16-bit register access of this code base. On the board they are plain
// volatile accesses; here a store into a mapped chip window or board control
// region also runs the chip model's synchronous effect, under the board lock.
#pragma once

#include "sim/SharedState.h"

#include <cstddef>
#include <cstdint>

namespace ravsim {

std::uint16_t read16(const void* base, std::size_t offset);
void write16(void* base, std::size_t offset, std::uint16_t value);

// Which mappings are a board's. A process announces every mapping of a chip
// window (length: the window and the shared state page behind it) and of a
// board's control region; write16 on any other memory is a plain store, and
// so is one at an odd address. A write16 into a board's state page is dropped.
enum class RegionKind { ChipWindow, BoardControl };

// `window` is the chip window the mapping belongs to (for a control region,
// the board's window as mapped in this process). False when the table is full.
bool attachRegion(void* base, std::size_t length, RegionKind kind, std::uint8_t* window, SharedState* state);
void detachRegion(void* base);

}  // namespace ravsim
