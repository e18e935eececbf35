// Where tests/comm and tests/mail still find the sandbox and log helpers;
// they live in tests/support.
#pragma once

#include "tests/support/ChildProcess.h"
#include "tests/support/LogLines.h"
#include "tests/support/Sandbox.h"
