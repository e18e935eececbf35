// Symbolic links in the directories where the library creates and rewrites
// its files (the current directory, which may be one like /tmp).
#pragma once

namespace ravlib::os {

// True when `path` is a symbolic link that must not be followed: another
// user's link in a directory that other users may write, which anyone there
// could have planted to make this process write a file of its own.
bool plantedLink(const char* path);

}  // namespace ravlib::os
