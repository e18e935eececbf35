#include "lib/os/File.h"
#include "lib/os/posix/PlantedLink.h"
#include "sim/Interrupted.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace ravlib::os {

using ravsim::retryInterrupted;

namespace {

int openFlags(Disposition disposition, Access access) {
    int flags = O_CLOEXEC;
    switch (access) {
    case Access::Read: flags |= O_RDONLY; break;
    case Access::Write: flags |= O_WRONLY; break;
    case Access::ReadWrite: flags |= O_RDWR; break;
    }
    switch (disposition) {
    case Disposition::CreateNew: return flags | O_CREAT | O_EXCL;
    case Disposition::CreateAlways: return flags | O_CREAT | O_TRUNC;
    case Disposition::OpenExisting: return flags;
    case Disposition::OpenAlways: return flags | O_CREAT;
    case Disposition::TruncateExisting: return flags | O_TRUNC;
    }
    return -1;
}

}  // namespace

File::~File() {
    close();
}

bool File::open(const char* path, Disposition disposition, Access access) {
    if (handle_ >= 0 || path == nullptr)
        return false;
    int flags = openFlags(disposition, access);
    if (flags < 0)
        return false;
    // Emptying a file needs write access, as on the other platform.
    if ((flags & O_TRUNC) && access == Access::Read)
        return false;
    // No rights for other users; a link is followed only when nobody else
    // could have planted it.
    int fd = retryInterrupted([&] { return ::open(path, flags | O_NOFOLLOW, 0660); });
    if (fd < 0 && errno == ELOOP && !plantedLink(path))
        fd = retryInterrupted([&] { return ::open(path, flags, 0660); });
    if (fd < 0)
        return false;
    if (lseek(fd, 0, SEEK_END) < 0) {
        ::close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

void File::close() {
    if (handle_ >= 0) {
        ::close(handle_);
        handle_ = -1;
    }
}

int32_t File::read(void* buffer, uint32_t count) {
    if (handle_ < 0 || (buffer == nullptr && count > 0))
        return -1;
    ssize_t n = retryInterrupted([&] { return ::read(handle_, buffer, count > INT32_MAX ? INT32_MAX : count); });
    return n < 0 ? -1 : static_cast<int32_t>(n);
}

int32_t File::write(const void* buffer, uint32_t count) {
    if (handle_ < 0 || (buffer == nullptr && count > 0))
        return -1;
    const char* data = static_cast<const char*>(buffer);
    uint32_t limit = count > INT32_MAX ? INT32_MAX : count;
    uint32_t done = 0;
    while (done < limit) {
        ssize_t n = retryInterrupted([&] { return ::write(handle_, data + done, limit - done); });
        if (n <= 0)
            return done > 0 ? static_cast<int32_t>(done) : -1;
        done += static_cast<uint32_t>(n);
    }
    return static_cast<int32_t>(done);
}

}  // namespace ravlib::os
