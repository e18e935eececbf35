// Whether the place where the processes of this system meet (device
// connections, named objects) is safe to use: another user must not be
// able to put things there.
#pragma once

#include <string>

namespace ravlib::os {

// Empty when it is; otherwise why not, naming the place.
std::string sharedPlaceRefusal();

}  // namespace ravlib::os
