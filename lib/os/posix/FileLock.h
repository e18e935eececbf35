// Whole-file locks (flock) for the platform layer: a signal that interrupts
// a wait for one does not end the wait.
#pragma once

#include <string>

namespace ravlib::os {

// flock(fd, operation), made again when a signal interrupts it; true when
// it took effect.
bool flockRetry(int fd, int operation);

// An exclusive lock on the file at `path` (made when missing, mode 0600 or
// shared with the group of a shared runtime directory),
// waited for and held for as long as this object lives; the kernel drops it
// when the holder dies.
class ExclusiveLockFile {
public:
    explicit ExclusiveLockFile(const std::string& path);
    ~ExclusiveLockFile();
    ExclusiveLockFile(const ExclusiveLockFile&) = delete;
    ExclusiveLockFile& operator=(const ExclusiveLockFile&) = delete;

    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace ravlib::os
