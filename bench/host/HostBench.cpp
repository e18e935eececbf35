// What a control costs through the device socket against a dispatch in the
// same process, what an idle connection costs the host, and what the
// simulation hook adds to a register write.
#include "chip/Mky43.h"
#include "driver/RavkernIoctl.h"
#include "host/DeviceHost.h"
#include "lib/os/DeviceHandle.h"
#include "sim/BoardFiles.h"
#include "sim/RegisterAccess.h"
#include "tests/support/HostProcess.h"
#include "tests/support/Sandbox.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

void BM_ControlThroughSocket(benchmark::State& state) {
    ravtest::HostProcess host;
    host.spawn({"--board", "0"});
    if (!host.waitReady()) {
        state.SkipWithError("ravkernd did not start");
        return;
    }
    ravlib::os::DeviceHandle handle = ravlib::os::openDevice("\\\\.\\Ravkern0");
    ravkern::ConnectState reply{};
    for (auto _ : state) {
        if (ravlib::os::deviceIoControl(handle, ravkern::IOCTL_BOARD_GET_CONNECT_STATE, nullptr, 0, &reply,
                                        sizeof reply, nullptr) != 0) {
            state.SkipWithError("control failed");
            break;
        }
        benchmark::DoNotOptimize(reply);
    }
    ravlib::os::closeDevice(handle);
    host.stop(SIGTERM);
}
BENCHMARK(BM_ControlThroughSocket);

struct ProcessCost {
    double threads = 0;
    double residentKiB = 0;
};

ProcessCost processCost(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    ProcessCost cost;
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("Threads:"))
            cost.threads = std::stod(line.substr(8));
        else if (line.starts_with("VmRSS:"))
            cost.residentKiB = std::stod(line.substr(6));
    }
    return cost;
}

// The host's threads and resident memory before and after range(0) handles
// are opened and each has made one control, then sit idle.
void BM_IdleConnections(benchmark::State& state) {
    ravtest::HostProcess host;
    host.spawn({"--board", "0"});
    if (!host.waitReady()) {
        state.SkipWithError("ravkernd did not start");
        return;
    }
    const auto count = static_cast<std::size_t>(state.range(0));
    for (auto _ : state) {
        const ProcessCost before = processCost(host.pid());
        std::vector<ravlib::os::DeviceHandle> handles;
        double served = 0;
        for (std::size_t i = 0; i < count; ++i) {
            handles.push_back(ravlib::os::openDevice("\\\\.\\Ravkern0"));
            ravkern::ConnectState reply{};
            if (ravlib::os::deviceIoControl(handles.back(), ravkern::IOCTL_BOARD_GET_CONNECT_STATE, nullptr, 0, &reply,
                                            sizeof reply, nullptr) == 0)
                ++served;
        }
        const ProcessCost after = processCost(host.pid());
        state.counters["served"] = served;
        state.counters["host_threads"] = after.threads;
        state.counters["threads_per_conn"] = (after.threads - before.threads) / static_cast<double>(count);
        state.counters["rss_kib_per_conn"] = (after.residentKiB - before.residentKiB) / static_cast<double>(count);
        for (ravlib::os::DeviceHandle handle : handles)
            ravlib::os::closeDevice(handle);
    }
    host.stop(SIGTERM);
}
BENCHMARK(BM_IdleConnections)->Arg(250)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ControlDispatchInProcess(benchmark::State& state) {
    ravtest::Sandbox box(ravtest::Sandbox::Entry::KeepOut);
    ravhost::HostConfig config;
    config.runtimeDir = box.runtime();
    config.boards.push_back({});
    ravhost::DeviceHost host(config);
    std::string error;
    ravkern::KDevice* device = host.start(error) ? host.device(0) : nullptr;
    if (!device) {
        state.SkipWithError(error.c_str());
    } else {
        for (auto _ : state) {
            ravkern::KRequest request;
            request.outputLength = sizeof(ravkern::ConnectState);
            request.buffer.assign(request.outputLength, 0);
            device->queue->config.deviceControl(device->queue.get(), &request, request.outputLength, 0,
                                                ravkern::IOCTL_BOARD_GET_CONNECT_STATE);
            benchmark::DoNotOptimize(request.information);
        }
    }
}
BENCHMARK(BM_ControlDispatchInProcess);

class WindowFixture : public benchmark::Fixture {
public:
    void SetUp(benchmark::State&) override {
        std::string error;
        board_ = ravsim::BoardFiles::create(box_.runtime(), 0, 0, 2, error);
        if (board_)
            view_ = ravsim::mapChipWindow(board_->regionAFd());
    }
    void TearDown(benchmark::State&) override {
        ravsim::unmapChipWindow(view_);
        view_ = nullptr;
        board_.reset();
    }

protected:
    ravtest::Sandbox box_{ravtest::Sandbox::Entry::KeepOut};
    std::unique_ptr<ravsim::BoardFiles> board_;
    std::uint8_t* view_ = nullptr;
};

BENCHMARK_F(WindowFixture, Write16PlainRegister)(benchmark::State& state) {
    if (!view_) {
        state.SkipWithError("no board");
        return;
    }
    std::uint16_t value = 0;
    for (auto _ : state)
        ravsim::write16(view_, mky43::BCR, ++value);
}

BENCHMARK_F(WindowFixture, Write16HazardCommit)(benchmark::State& state) {
    if (!view_) {
        state.SkipWithError("no board");
        return;
    }
    std::uint16_t block = 0;
    for (auto _ : state)
        ravsim::write16(view_, mky43::WHCR0, static_cast<std::uint16_t>(++block & 63));
}

BENCHMARK_F(WindowFixture, PlainVolatileStore)(benchmark::State& state) {
    if (!view_) {
        state.SkipWithError("no board");
        return;
    }
    auto* word = reinterpret_cast<volatile std::uint16_t*>(view_ + mky43::BCR);
    std::uint16_t value = 0;
    for (auto _ : state)
        *word = ++value;
}

}  // namespace

BENCHMARK_MAIN();
