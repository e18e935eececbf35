// What the library does when a process loads and unloads it, and whether it
// is in service: a library whose load failed stays inert.
#pragma once

namespace ravlib {

// Points the configuration at "Ravlib.ini", opens the log, writes the
// Service Start line and empties the board table. False when the log cannot
// be opened: the library then stays inert.
bool processAttach();

// Finishes and closes every open board, writes the Service Stop line and
// closes the log. Does nothing when the library is inert.
void processDetach();

// True between a successful attach and the detach.
bool inService();

}  // namespace ravlib
