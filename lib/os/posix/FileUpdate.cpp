#include "lib/os/FileUpdate.h"
#include "lib/os/posix/FileLock.h"
#include "lib/os/posix/PlantedLink.h"
#include "sim/Interrupted.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ravlib::os {

using ravsim::retryInterrupted;

namespace {

constexpr off_t maxFileSize = 16 * 1024 * 1024;

std::string directoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, const std::string& contents) {
    std::size_t done = 0;
    while (done < contents.size()) {
        ssize_t n = retryInterrupted([&] { return ::write(fd, contents.data() + done, contents.size() - done); });
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The file a name stands for, following a symbolic link, so that replacing
// it replaces the target and keeps the link; a planted link is not followed.
std::string targetOf(const char* path) {
    struct stat st {};
    if (lstat(path, &st) == 0 && S_ISLNK(st.st_mode) && !plantedLink(path)) {
        char resolved[PATH_MAX];
        if (realpath(path, resolved) != nullptr)
            return resolved;
    }
    return path;
}

// Without a temporary file (its directory may be closed to this process)
// the file is rewritten where it is, still under the caller's lock.
bool rewriteInPlace(const std::string& target, const std::string& contents) {
    int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && writeAll(fd, contents) &&
              ftruncate(fd, static_cast<off_t>(contents.size())) == 0 && fsync(fd) == 0;
    return (::close(fd) == 0) && ok;
}

}  // namespace

FileUpdateLock::FileUpdateLock(const char* path) {
    if (path == nullptr || *path == '\0')
        return;
    std::string dir = directoryOf(targetOf(path));
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    if (!flockRetry(fd, LOCK_EX)) {
        ::close(fd);
        return;
    }
    handle_ = fd;
}

FileUpdateLock::~FileUpdateLock() {
    if (handle_ >= 0)
        ::close(handle_);
}

ReadResult readFile(const char* path, std::string& contents) {
    contents.clear();
    if (path == nullptr || *path == '\0')
        return ReadResult::Failed;
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxFileSize) {
        ::close(fd);
        return ReadResult::Failed;
    }
    char buffer[4096];
    for (;;) {
        ssize_t n = retryInterrupted([&] { return ::read(fd, buffer, sizeof buffer); });
        if (n < 0 || contents.size() + static_cast<std::size_t>(n) > static_cast<std::size_t>(maxFileSize)) {
            ::close(fd);
            contents.clear();
            return ReadResult::Failed;
        }
        if (n == 0)
            break;
        contents.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ReadResult::Ok;
}

bool replaceFile(const char* path, const std::string& contents) {
    if (path == nullptr || *path == '\0')
        return false;
    static std::atomic<unsigned> serial{0};
    if (plantedLink(path))
        return false;
    std::string target = targetOf(path);
    // The rename below would pass over the rights of the file it replaces.
    if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 && errno != ENOENT)
        return false;
    std::string dir = directoryOf(target);
    std::string base = target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);

    int fd = -1;
    std::string temp;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = dir + "/." + base + "." + std::to_string(getpid()) + "." + std::to_string(serial++) + ".tmp";
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0660);
        if (fd < 0 && errno != EEXIST)
            return (errno == EACCES || errno == EPERM) && rewriteInPlace(target, contents);
    }
    if (fd < 0)
        return false;

    struct stat old {};
    bool ok = true;
    if (stat(target.c_str(), &old) == 0)
        ok = fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && writeAll(fd, contents) && fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        unlink(temp.c_str());
    return ok;
}

}  // namespace ravlib::os
