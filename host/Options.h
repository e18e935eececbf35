// ravkernd's command line.
#pragma once

#include "host/DeviceHost.h"

#include <string>

namespace ravhost {

enum class ParseResult { Run, Help, Bad, Unsupported };

// Fills `config` from the arguments; `message` explains Bad and Unsupported.
ParseResult parseOptions(int argc, const char* const* argv, HostConfig& config, std::string& message);

extern const char* const kUsage;

}  // namespace ravhost
