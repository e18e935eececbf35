// ravkernd's core: the simulated boards, one device per board through the
// driver's device add and prepare-hardware, a socket per started device,
// the client connections and the bus clock.
#pragma once

#include "host/ClientReactor.h"
#include "host/ControlSocket.h"
#include "host/KernelObjects.h"
#include "sim/BoardFiles.h"
#include "sim/Bus.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ravhost {

struct BoardSetup {
    unsigned switchValue = 0;  // what bits 8-15 of region B offset 6 read
    unsigned ranges = 3;       // memory ranges its resource list offers
};

struct StationSetup {
    unsigned address = 0;
    unsigned size = 1;
    ravsim::StationRole role = ravsim::StationRole::Idle;
};

struct HostConfig {
    std::string runtimeDir;
    std::vector<BoardSetup> boards;
    std::vector<StationSetup> stations;
    std::chrono::microseconds cycle{1000};
    std::chrono::microseconds mailMinimum{15000};  // shortest mail send
    unsigned startDelayCycles = 2;                 // bus cycles from start to the running bit
};

class DeviceHost {
public:
    explicit DeviceHost(HostConfig config);
    ~DeviceHost();
    DeviceHost(const DeviceHost&) = delete;
    DeviceHost& operator=(const DeviceHost&) = delete;

    // Adds and prepares every board and starts serving. False with `error`
    // when the host as a whole cannot run; a board that fails to start is
    // not an error.
    bool start(std::string& error);
    // Releases every board's hardware, removes the sockets, ends all threads.
    void stop();

    // Socket paths of the devices that serve, in device order.
    std::vector<std::string> socketPaths() const;
    // The device of the index-th board, for callers that dispatch in this
    // process; null if its device add failed.
    ravkern::KDevice* device(unsigned index) const;

private:
    struct Board {
        std::unique_ptr<ravsim::BoardFiles> files;
        ravkern::KResourceList resources;
        std::unique_ptr<ravkern::KDevice> device;
        bool started = false;
        int listenFd = -1;
        std::string socketPath;
    };
    bool addBoard(unsigned index, const BoardSetup& setup, std::string& error);
    bool listen(Board& board);
    void acceptLoop();
    void accept(Board& board);
    void busLoop();
    HostStatus status();

    HostConfig config_;
    ravkern::KDriver driver_;
    ravsim::Bus bus_;
    ControlServer control_{bus_, [this] { return status(); }};
    std::vector<std::unique_ptr<Board>> boards_;
    int lockFd_ = -1;
    int wakeFd_ = -1;
    bool running_ = false;

    std::thread acceptor_;
    ClientReactor clients_;

    std::thread busThread_;
    std::mutex busMutex_;
    std::condition_variable busWake_;
    bool busStopping_ = false;
};

}  // namespace ravhost
