// The folder of the runtime directory that holds every named object's file.
#pragma once

#include <string>

namespace ravlib::os {

// <runtime>/objects, created if missing, both checked as runtime
// directories; empty when it cannot be had, with the reason in `refusal`
// when one is given.
std::string objectsDir(std::string* refusal = nullptr);

}  // namespace ravlib::os
