// Each object is a file under <runtime>/objects/. Every holder keeps a shared
// flock on it for as long as it holds the object; the kernel drops that lock
// when the holder dies. Opening and closing run under an exclusive flock on
// <runtime>/objects/.lock, so "is there another holder?" (an exclusive try on
// the object file) and the creation or removal that follows are one step for
// all processes. flock conversions are not atomic; every conversion below
// happens under that directory lock, where no other process can act on the
// object in the gap.
#include "lib/os/NamedObject.h"
#include "lib/os/SharedPlace.h"
#include "lib/os/posix/FileLock.h"
#include "lib/os/posix/ObjectsDir.h"

#include "sim/Interrupted.h"
#include "sim/RuntimeDir.h"

#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ravlib::os {

std::string objectsDir(std::string* refusal) {
    ravsim::RuntimeDir dir = ravsim::ensureRuntimeDir(ravsim::runtimeDir());
    if (dir.usable())
        dir = ravsim::ensureRuntimeDir(ravsim::objectsDir(dir.path));
    if (!dir.usable()) {
        if (refusal != nullptr)
            *refusal = dir.refusal;
        return {};
    }
    return dir.path;
}

std::string sharedPlaceRefusal() {
    std::string refusal;
    objectsDir(&refusal);
    return refusal;
}

namespace {

// Plain names only: no path separators, nothing hidden, not too long.
bool validName(const char* name) {
    if (name == nullptr || name[0] == '\0' || name[0] == '.')
        return false;
    std::size_t length = std::strlen(name);
    return length <= 200 && std::strchr(name, '/') == nullptr;
}

bool rangeLock(int fd, int command, short type, std::size_t offset, std::size_t length) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(offset);
    lock.l_len = static_cast<off_t>(length);
    return ravsim::retryInterrupted([&] { return fcntl(fd, command, &lock); }) == 0;
}

}  // namespace

NamedObject::~NamedObject() {
    close();
}

bool NamedObject::open(const char* name, std::size_t size) {
    if (handle_ >= 0 || !validName(name))
        return false;
    std::string dir = objectsDir();
    if (dir.empty())
        return false;
    // The exclusive lock around creation and removal of objects.
    ExclusiveLockFile dirLock(dir + "/.lock");
    if (!dirLock.held())
        return false;

    std::string path = dir + "/" + name;
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    if (!ravsim::shareMade(fd, dir)) {
        ::close(fd);
        return false;
    }

    bool creator = flockRetry(fd, LOCK_EX | LOCK_NB);
    bool ok;
    if (creator) {
        // No holder is left (or there never was one): start from zeroes.
        ok = ftruncate(fd, 0) == 0 && ftruncate(fd, static_cast<off_t>(size)) == 0;
        ok = ok && flockRetry(fd, LOCK_UN) && flockRetry(fd, LOCK_SH | LOCK_NB);
    } else {
        struct stat st {};
        ok = flockRetry(fd, LOCK_SH | LOCK_NB) && fstat(fd, &st) == 0 && static_cast<std::size_t>(st.st_size) >= size;
    }
    void* view = nullptr;
    if (ok && size > 0) {
        view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        ok = view != MAP_FAILED;
        if (!ok)
            view = nullptr;
    }
    if (!ok) {
        // A file this call made and nobody else holds is removed again.
        if (creator && flockRetry(fd, LOCK_EX | LOCK_NB))
            unlink(path.c_str());
        ::close(fd);
        return false;
    }
    handle_ = fd;
    created_ = creator;
    view_ = view;
    size_ = size;
    path_ = path;
    return true;
}

void NamedObject::close() {
    if (handle_ < 0)
        return;
    if (view_ != nullptr)
        munmap(view_, size_);
    view_ = nullptr;
    size_ = 0;
    created_ = false;

    {
        ExclusiveLockFile dirLock(path_.substr(0, path_.rfind('/')) + "/.lock");
        // The last holder removes the file; the check is only trustworthy
        // while the directory lock keeps openers out.
        if (dirLock.held() && flockRetry(handle_, LOCK_EX | LOCK_NB))
            unlink(path_.c_str());
    }
    ::close(handle_);
    handle_ = -1;
    path_.clear();
}

bool NamedObject::tryLockRange(std::size_t offset, std::size_t length) {
    return handle_ >= 0 && length > 0 && rangeLock(handle_, F_OFD_SETLK, F_WRLCK, offset, length);
}

bool NamedObject::lockRange(std::size_t offset, std::size_t length) {
    return handle_ >= 0 && length > 0 && rangeLock(handle_, F_OFD_SETLKW, F_WRLCK, offset, length);
}

void NamedObject::unlockRange(std::size_t offset, std::size_t length) {
    if (handle_ >= 0 && length > 0)
        rangeLock(handle_, F_OFD_SETLK, F_UNLCK, offset, length);
}

}  // namespace ravlib::os
