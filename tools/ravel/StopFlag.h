// Ctrl-C, SIGTERM and SIGHUP as a flag that every loop of the tool polls,
// so that a command always leaves through its clean-up.
#pragma once

#include <chrono>

namespace ravel {

// Installs the handlers (once, at start); SIGPIPE is ignored, a failed
// write stops the command instead.
void installStopHandlers();
bool stopRequested();
// Makes stopRequested() true from inside the tool (output closed, --for over).
void requestStop();

// Sleeps `duration`, or less when a stop comes; false when stopped.
bool pause(std::chrono::microseconds duration);

}  // namespace ravel
