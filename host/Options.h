// ravkernd's command line.
#pragma once

#include "host/DeviceHost.h"

#include <string>

namespace ravhost {

enum class ParseResult { Run, Help, Bad };

// Fills `config` from the arguments; `message` explains Bad.
ParseResult parseOptions(int argc, const char* const* argv, HostConfig& config, std::string& message);

extern const char* const kUsage;

}  // namespace ravhost
