// What the simulated bus costs: host CPU time of one bus cycle with four
// running boards and eight remote stations, and the share of one core that an
// idle ravkernd with the demo network burns at the default cycle.
#include "chip/Mky43.h"
#include "sim/BoardLock.h"
#include "sim/Bus.h"
#include "sim/Chip.h"
#include "tests/support/DeviceClient.h"
#include "tests/support/HostProcess.h"
#include "tests/support/Sandbox.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

void startChip(ravsim::BoardFiles& board, unsigned station, unsigned size) {
    ravsim::BoardLock lock(board.state());
    ravsim::Chip chip(board.window(), board.state());
    chip.write(mky43::BCR, static_cast<std::uint16_t>(size << 8 | station));
    chip.write(mky43::SCR, mky43::kScrStart);
    chip.write(mky43::MR0CR, mky43::kMrcrArmed);
    chip.write(mky43::MR1CR, mky43::kMrcrArmed);
}

// Four boards of four stations each, four counters, two echoes, two idle
// stations; one board keeps mailing an echo, so mail is in flight too.
void BM_BusCycleFourBoardsEightStations(benchmark::State& state) {
    ravtest::Sandbox box(ravtest::Sandbox::Entry::KeepOut);
    {
        ravsim::Bus bus;
        std::vector<std::unique_ptr<ravsim::BoardFiles>> boards;
        std::string error;
        for (unsigned i = 0; i < 4; ++i) {
            boards.push_back(ravsim::BoardFiles::create(box.runtime(), i, static_cast<std::uint8_t>(i), 2, error));
            if (!boards.back()) {
                state.SkipWithError(error.c_str());
                return;
            }
            bus.addBoard(*boards.back());
            startChip(*boards.back(), 4 * i, 4);
        }
        const ravsim::StationRole roles[] = {ravsim::StationRole::Counter, ravsim::StationRole::Counter,
                                             ravsim::StationRole::Counter, ravsim::StationRole::Counter,
                                             ravsim::StationRole::Echo,    ravsim::StationRole::Echo,
                                             ravsim::StationRole::Idle,    ravsim::StationRole::Idle};
        for (unsigned i = 0; i < 8; ++i)
            bus.addStation(16 + 4 * i, 4, roles[i], error);
        for (int i = 0; i < 5; ++i)
            bus.cycle();
        ravsim::Chip sender(boards[0]->window(), boards[0]->state());
        for (auto _ : state) {
            if (!(sender.load(mky43::MSCR) & mky43::kMscrSending)) {
                ravsim::BoardLock lock(boards[0]->state());
                sender.write(mky43::MR0CR, mky43::kMrcrArmed);
                sender.write(mky43::MR1CR, mky43::kMrcrArmed);
                sender.write(mky43::MSCR, mky43::kMscrSending | (32 << 8) | 32);
            }
            bus.cycle();
        }
    }
}
BENCHMARK(BM_BusCycleFourBoardsEightStations)->MeasureProcessCPUTime()->UseRealTime();

// utime + stime of a process, in seconds.
double cpuSeconds(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(file, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    unsigned long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stoul(field);
        if (i == 15)
            stime = std::stoul(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The demo network with nothing to do: no board started, no client. Reports
// core_share, the fraction of one core the host uses. Arg 1: board 0 started
// through the driver's connect control, so its chip runs on the bus.
void BM_HostIdleShareDemoNetwork(benchmark::State& state) {
    ravtest::HostProcess host;
    host.spawn({"--board", "0", "--station", "10:2:counter", "--station", "20:1:echo"});
    if (!host.waitReady()) {
        state.SkipWithError("ravkernd did not start");
        return;
    }
    std::unique_ptr<ravtest::Device> device;
    if (state.range(0)) {
        device = std::make_unique<ravtest::Device>(0);
        device->connect(ravkern::IOCTL_BOARD_CONNECT, "1", 1);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    double used = 0, wall = 0;
    for (auto _ : state) {
        double before = cpuSeconds(host.pid());
        auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(5));
        used += cpuSeconds(host.pid()) - before;
        double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        wall += seconds;
        state.SetIterationTime(seconds);
    }
    state.counters["core_share"] = used / wall;
    device.reset();
    host.stop(SIGTERM);
}
BENCHMARK(BM_HostIdleShareDemoNetwork)->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
