// The folder of the runtime directory that holds every named object's file.
#pragma once

#include <string>

namespace ravlib::os {

// <runtime>/objects, created if missing; empty when it cannot be made.
std::string objectsDir();

}  // namespace ravlib::os
