// Opening the object file of a semaphore, mutex or event: creation and
// initialisation as one step for all processes, a kind check, and a view
// that stays mapped for the life of the process.
#pragma once

#include "lib/os/NamedObject.h"

#include <cstddef>
#include <cstdint>

namespace ravlib::os::sync {

// First word of every object file: what kind of object it is.
inline constexpr std::uint32_t kTagSemaphore = 0x4D455352;  // "RSEM"
inline constexpr std::uint32_t kTagMutex = 0x58544D52;      // "RMTX"
inline constexpr std::uint32_t kTagEvent = 0x54564552;      // "REVT"

using Initialiser = bool (*)(void* view);

// Creates or opens `name` in `object` as an object of kind `tag` with `size`
// bytes (the tag included). When this call creates it, `initialise` (may be
// null) prepares the zeroed memory and the tag is written before any other
// process can open the object. Returns the view, which is never unmapped:
// a later open of the same object file in this process gets the same
// address. Null on failure, with `object` closed.
void* openObject(NamedObject& object, const char* name, std::uint32_t tag, std::size_t size, Initialiser initialise);

}  // namespace ravlib::os::sync
