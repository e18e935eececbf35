#include "sim/BoardFiles.h"

#include "chip/Mky43.h"
#include "sim/BoardLock.h"
#include "sim/Chip.h"
#include "sim/ChipMap.h"
#include "sim/RegisterAccess.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ravsim {

namespace {

int createFile(const std::string& path, std::size_t size, std::string& error) {
    // A stale file of a host that died is replaced, never reused: another
    // process may still map the old one.
    unlink(path.c_str());
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        error = path + ": " + std::strerror(errno);
        return -1;
    }
    if (ftruncate(fd, static_cast<off_t>(size)) != 0) {
        error = path + ": " + std::strerror(errno);
        close(fd);
        unlink(path.c_str());
        return -1;
    }
    return fd;
}

std::uint8_t* mapFile(int fd, std::size_t size) {
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return p == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(p);
}

}  // namespace

std::unique_ptr<BoardFiles> BoardFiles::create(const std::string& dir, unsigned index, std::uint8_t switchValue,
                                               std::uint32_t startDelay, std::string& error) {
    std::unique_ptr<BoardFiles> files(new BoardFiles);
    std::string stem = dir + "/board" + std::to_string(index);
    files->fdA_ = createFile(stem + ".regionA", kRegionAFileSize, error);
    if (files->fdA_ < 0)
        return nullptr;
    files->pathA_ = stem + ".regionA";
    files->fdB_ = createFile(stem + ".regionB", kRegionBSize, error);
    if (files->fdB_ < 0)
        return nullptr;
    files->pathB_ = stem + ".regionB";
    files->window_ = mapFile(files->fdA_, kRegionAFileSize);
    files->control_ = mapFile(files->fdB_, kRegionBSize);
    if (!files->window_ || !files->control_) {
        error = stem + ": cannot map: " + std::strerror(errno);
        return nullptr;
    }
    files->state_ = reinterpret_cast<SharedState*>(files->window_ + kStateOffset);
    if (!initSharedState(*files->state_, startDelay)) {
        error = stem + ": cannot make the board lock";
        return nullptr;
    }
    {
        BoardLock lock(*files->state_);
        Chip(files->window_, *files->state_).resetRegisters();
    }
    write16(files->control_, mky43::kBoardSwitchRegister, static_cast<std::uint16_t>(switchValue << 8));
    return files;
}

BoardFiles::~BoardFiles() {
    if (window_)
        munmap(window_, kRegionAFileSize);
    if (control_)
        munmap(control_, kRegionBSize);
    if (fdA_ >= 0)
        close(fdA_);
    if (fdB_ >= 0)
        close(fdB_);
    if (!pathA_.empty())
        unlink(pathA_.c_str());
    if (!pathB_.empty())
        unlink(pathB_.c_str());
}

std::uint8_t* mapChipWindow(int fd) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || static_cast<std::size_t>(st.st_size) != kRegionAFileSize)
        return nullptr;
    std::uint8_t* window = mapFile(fd, kRegionAFileSize);
    if (!window)
        return nullptr;
    auto* state = reinterpret_cast<SharedState*>(window + kStateOffset);
    if (__atomic_load_n(&state->magic, __ATOMIC_ACQUIRE) != kStateMagic ||
        !attachRegion(window, kRegionAFileSize, RegionKind::ChipWindow, window, state)) {
        munmap(window, kRegionAFileSize);
        return nullptr;
    }
    return window;
}

void unmapChipWindow(std::uint8_t* window) {
    if (!window)
        return;
    detachRegion(window);
    munmap(window, kRegionAFileSize);
}

}  // namespace ravsim
