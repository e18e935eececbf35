// The library's return codes by name, and the one way a failed call is
// reported on standard error.
#pragma once

#include <cstdint>
#include <string_view>

namespace ravel {

// The code's MKY43_ER_ name, or "" for a code without one.
std::string_view returnCodeName(std::int32_t code);
// What the code means, in a few words.
std::string_view returnCodeMeaning(std::int32_t code);

// Prints "ravel: CALL: NAME (CODE): meaning" when `code` is not 0; true
// when it is 0.
bool succeeded(std::int32_t code, std::string_view call);

}  // namespace ravel
