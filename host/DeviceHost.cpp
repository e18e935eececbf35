#include "host/DeviceHost.h"

#include "chip/Mky43.h"
#include "driver/Ravkern.h"
#include "host/PhysicalMemory.h"
#include "sim/ChipMap.h"
#include "sim/Interrupted.h"
#include "sim/RuntimeDir.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace ravhost {

namespace {

constexpr const char* kRegistryPath = "\\Registry\\Machine\\System\\CurrentControlSet\\Services\\Ravkern";
constexpr std::string_view kLinkPrefix = "\\DosDevices\\";
// Out of descriptors, a pending client waits this long in the backlog
// rather than the acceptor spinning on it.
constexpr std::chrono::milliseconds kDescriptorBackoff{50};

// Each board gets its own window of the simulated physical address space.
std::uint64_t nextBoardAddress() {
    static std::atomic<std::uint64_t> slot{0};
    return 0xF0000000ULL + 0x100000ULL * slot.fetch_add(1);
}

}  // namespace

DeviceHost::DeviceHost(HostConfig config)
    : config_(std::move(config)),
      bus_(ravsim::BusTiming{config_.cycle, config_.mailMinimum, ravsim::BusTiming{}.mailPerUnit}) {}

DeviceHost::~DeviceHost() {
    stop();
}

bool DeviceHost::start(std::string& error) {
    // The host makes the objects folder, so in a shared runtime directory it
    // is root's like the directory and every member of the group may use it.
    for (const std::string& dir : {config_.runtimeDir, ravsim::objectsDir(config_.runtimeDir)}) {
        if (ravsim::RuntimeDir runtime = ravsim::ensureRuntimeDir(dir); !runtime.usable()) {
            error = runtime.refusal;
            return false;
        }
    }
    std::string lockPath = config_.runtimeDir + "/ravkernd.lock";
    lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0 || flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        error = lockFd_ < 0 ? lockPath + ": " + (errno == ELOOP ? "a symbolic link, refused" : std::strerror(errno))
                            : "another ravkernd serves " + config_.runtimeDir;
        return false;
    }
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        error = std::string("eventfd: ") + std::strerror(errno);
        return false;
    }
    ravkern::NTSTATUS status = ravkern::DriverEntry(&driver_, kRegistryPath);
    if (!ravkern::NT_SUCCESS(status) || !driver_.created) {
        error = "the driver did not load";
        return false;
    }
    for (const StationSetup& station : config_.stations)
        if (!bus_.addStation(station.address, station.size, station.role, error))
            return false;
    if (!control_.listen(controlSocketPath(config_.runtimeDir))) {
        error = controlSocketPath(config_.runtimeDir) + ": " + std::strerror(errno);
        return false;
    }
    running_ = true;
    for (unsigned i = 0; i < config_.boards.size(); ++i)
        if (!addBoard(i, config_.boards[i], error))
            return false;
    if (!clients_.start(error))
        return false;
    busThread_ = std::thread([this] { busLoop(); });
    acceptor_ = std::thread([this] { acceptLoop(); });
    return true;
}

bool DeviceHost::addBoard(unsigned index, const BoardSetup& setup, std::string& error) {
    auto board = std::make_unique<Board>();
    board->files = ravsim::BoardFiles::create(config_.runtimeDir, index, static_cast<std::uint8_t>(setup.switchValue),
                                              config_.startDelayCycles, error);
    if (!board->files)
        return false;
    bus_.addBoard(*board->files);

    std::uint64_t base = nextBoardAddress();
    PhysicalRange unused{base, 0x1000, RangeKind::Unbacked, -1, nullptr, nullptr};
    PhysicalRange chip{base + 0x10000,         mky43::kWindowSize,    RangeKind::ChipWindow, board->files->regionAFd(),
                       board->files->window(), &board->files->state()};
    PhysicalRange control{base + 0x20000,          static_cast<std::uint32_t>(ravsim::kRegionBSize),
                          RangeKind::BoardControl, board->files->regionBFd(),
                          board->files->window(),  &board->files->state()};
    PhysicalMemory::instance().addRange(chip);
    PhysicalMemory::instance().addRange(control);
    for (const PhysicalRange& r : {unused, chip, control}) {
        if (board->resources.descriptors.size() == setup.ranges)
            break;
        board->resources.descriptors.push_back({ravkern::CmResourceTypeMemory, 0, r.start, r.length});
    }

    ravkern::KDeviceInit init;
    ravkern::NTSTATUS status = driver_.config.deviceAdd(&driver_, &init);
    if (ravkern::NT_SUCCESS(status) && init.device && init.device->queue) {
        board->device = std::move(init.device);
        ravkern::KDevice& device = *board->device;
        if (device.pnp.prepareHardware &&
            ravkern::NT_SUCCESS(device.pnp.prepareHardware(&device, &board->resources, &board->resources))) {
            {
                std::lock_guard lock(device.gateMutex);
                device.started = true;
            }
            board->started = true;
            if (!listen(*board)) {
                std::fprintf(stderr, "ravkernd: device %s cannot serve at %s: %s\n", device.name.c_str(),
                             board->socketPath.c_str(), std::strerror(errno));
                device.closeGate();
                if (device.pnp.releaseHardware)
                    device.pnp.releaseHardware(&device, &board->resources);
                board->started = false;
            }
        }
    }
    boards_.push_back(std::move(board));
    return true;
}

bool DeviceHost::listen(Board& board) {
    board.socketPath = config_.runtimeDir + "/" + board.device->linkName.substr(kLinkPrefix.size());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (board.socketPath.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memcpy(address.sun_path, board.socketPath.c_str(), board.socketPath.size() + 1);
    // The runtime lock is ours, so a socket left here is a dead host's.
    unlink(board.socketPath.c_str());
    int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        !ravsim::shareMade(-1, config_.runtimeDir, board.socketPath) || ::listen(fd, 64) != 0) {
        int saved = errno;
        close(fd);
        errno = saved;
        return false;
    }
    board.listenFd = fd;
    return true;
}

std::vector<std::string> DeviceHost::socketPaths() const {
    std::vector<std::string> paths;
    for (const auto& board : boards_)
        if (board->listenFd >= 0)
            paths.push_back(board->socketPath);
    return paths;
}

ravkern::KDevice* DeviceHost::device(unsigned index) const {
    return index < boards_.size() ? boards_[index]->device.get() : nullptr;
}

void DeviceHost::acceptLoop() {
    for (;;) {
        std::vector<pollfd> fds{{wakeFd_, POLLIN, 0}, {control_.fd(), POLLIN, 0}};
        std::vector<Board*> owners{nullptr, nullptr};
        for (const auto& board : boards_) {
            if (board->listenFd >= 0) {
                fds.push_back({board->listenFd, POLLIN, 0});
                owners.push_back(board.get());
            }
        }
        int ready = ravsim::retryInterrupted([&] { return poll(fds.data(), fds.size(), 1000); });
        if (ready < 0)
            return;
        if (fds[0].revents)
            return;
        if (fds[1].revents & POLLIN)
            control_.serveOne();
        for (std::size_t i = 2; i < fds.size(); ++i)
            if (fds[i].revents & POLLIN)
                accept(*owners[i]);
    }
}

void DeviceHost::accept(Board& board) {
    int fd = accept4(board.listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0)
        clients_.add(*board.device, fd);
    else if (errno == EMFILE || errno == ENFILE)
        std::this_thread::sleep_for(kDescriptorBackoff);
}

void DeviceHost::busLoop() {
    auto next = std::chrono::steady_clock::now();
    auto previous = next;
    std::unique_lock lock(busMutex_);
    while (!busStopping_) {
        next += config_.cycle;
        auto now = std::chrono::steady_clock::now();
        // A late cycle moves the schedule instead of being caught up: cycles
        // never come closer than --cycle-us, so no mail ends early.
        if (next < now)
            next = now;
        if (busWake_.wait_until(lock, next, [this] { return busStopping_; }))
            return;
        lock.unlock();
        auto start = std::chrono::steady_clock::now();
        bus_.cycle(std::chrono::duration_cast<std::chrono::microseconds>(start - previous));
        previous = start;
        lock.lock();
    }
}

// Called by the acceptor, which stop() ends before it touches the boards.
HostStatus DeviceHost::status() {
    HostStatus status{bus_.status(), config_.cycle, {}};
    for (const auto& board : boards_) {
        if (board->device)
            status.connects.push_back(ravkern::connectStatistics(board->device.get()));
        else
            status.connects.push_back(std::nullopt);
    }
    return status;
}

void DeviceHost::stop() {
    if (running_) {
        running_ = false;
        std::uint64_t one = 1;
        if (write(wakeFd_, &one, sizeof one) < 0)
            std::fprintf(stderr, "ravkernd: cannot wake the acceptor: %s\n", std::strerror(errno));
        if (acceptor_.joinable())
            acceptor_.join();
        control_.close();
        for (auto& board : boards_) {
            if (board->listenFd >= 0) {
                close(board->listenFd);
                unlink(board->socketPath.c_str());
                board->listenFd = -1;
            }
        }
        // Clients see their connections end; controls under way finish fast.
        clients_.stop();
        for (auto& board : boards_) {
            if (!board->started)
                continue;
            board->device->closeGate();
            if (board->device->pnp.releaseHardware)
                board->device->pnp.releaseHardware(board->device.get(), &board->resources);
            board->started = false;
        }
        {
            std::lock_guard lock(busMutex_);
            busStopping_ = true;
        }
        busWake_.notify_all();
        if (busThread_.joinable())
            busThread_.join();
    }
    for (auto& board : boards_) {
        board->device.reset();
        if (board->files) {
            bus_.removeBoard(*board->files);
            PhysicalMemory::instance().removeRanges(board->files->regionAFd());
            PhysicalMemory::instance().removeRanges(board->files->regionBFd());
        }
    }
    boards_.clear();
    if (wakeFd_ >= 0)
        close(wakeFd_);
    wakeFd_ = -1;
    if (lockFd_ >= 0)
        close(lockFd_);
    lockFd_ = -1;
}

}  // namespace ravhost
