#include "lib/os/posix/FileLock.h"
#include "sim/Interrupted.h"
#include "sim/RuntimeDir.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ravlib::os {

bool flockRetry(int fd, int operation) {
    return ravsim::retryInterrupted([&] { return flock(fd, operation); }) == 0;
}

ExclusiveLockFile::ExclusiveLockFile(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0 && (!ravsim::shareMade(fd, path.substr(0, path.find_last_of('/') + 1)) || !flockRetry(fd, LOCK_EX))) {
        ::close(fd);
        fd = -1;
    }
    fd_ = fd;
}

ExclusiveLockFile::~ExclusiveLockFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

}  // namespace ravlib::os
