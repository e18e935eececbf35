// Cost of GM access through the exports against the raw 16-bit accesses on
// the same chip window, with logging off, on a board of a ravkernd child.
#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <thread>

#include "chip/Mky43.h"
#include "lib/Ravlib.h"
#include "lib/board/BoardTable.h"
#include "lib/exports/LibraryLoad.h"
#include "lib/os/ChipAccess.h"
#include "tests/support/HostProcess.h"
#include "tests/support/Sandbox.h"

namespace {

// Board 0 open in a private directory; no RavlibLog.ini, so logging is off.
class OpenBoard {
public:
    OpenBoard() {
        host_.spawn({"--board", "0"});
        ok_ = host_.waitReady() && ravlib::processAttach() && RV_open(0) == MKY43_ER_OK;
        if (ok_)
            window_ = ravlib::boardTable().find(0)->gmBase();
        ok_ = ok_ && window_ != nullptr;
    }
    ~OpenBoard() {
        RV_close(0);
        ravlib::processDetach();
    }
    bool ok() const { return ok_; }
    std::uint8_t* window() const { return window_; }

private:
    ravtest::Sandbox box_;
    ravtest::HostProcess host_;
    bool ok_ = false;
    std::uint8_t* window_ = nullptr;
};

OpenBoard* theBoard = nullptr;

OpenBoard& board() {
    return *theBoard;
}

bool ready(benchmark::State& state) {
    if (board().ok())
        return true;
    state.SkipWithError("no board: ravkernd did not start or the board did not open");
    return false;
}

void RawRead16x4(benchmark::State& state) {
    if (!ready(state))
        return;
    std::uint8_t* w = board().window();
    for (auto _ : state) {
        std::uint16_t sum = 0;
        for (std::size_t i = 0; i < 4; ++i)
            sum = static_cast<std::uint16_t>(sum + ravlib::os::read16(w, 5 * 8 + 2 * i));
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(RawRead16x4);

void GetMemShortBlock(benchmark::State& state) {
    if (!ready(state))
        return;
    int16_t block[4];
    for (auto _ : state) {
        benchmark::DoNotOptimize(RV_GetMemShort(0, 0, block, 5, 0, 4));
        benchmark::DoNotOptimize(block);
    }
}
BENCHMARK(GetMemShortBlock);

void MonitorCycle(benchmark::State& state) {
    if (!ready(state))
        return;
    int16_t block[4];
    int32_t flags[2];
    for (auto _ : state) {
        RV_GetReg64(0, 0, mky43::MFR, flags);
        for (int station = 0; station < 64; ++station)
            RV_GetMemShort(0, 0, block, station, 0, 4);
        benchmark::DoNotOptimize(block);
    }
}
BENCHMARK(MonitorCycle);

void GetMemDLongWholeGm(benchmark::State& state) {
    if (!ready(state))
        return;
    int32_t gm[128];
    for (auto _ : state) {
        benchmark::DoNotOptimize(RV_GetMemDLong(0, 0, gm, 0, 0, 64));
        benchmark::DoNotOptimize(gm);
    }
}
BENCHMARK(GetMemDLongWholeGm);

// A block read while another thread commits that block without pause: the
// reads that meet a commit pay for it.
void GetMemDLongUnderWrites(benchmark::State& state) {
    if (!ready(state))
        return;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int32_t n = 0; !done.load(std::memory_order_relaxed); ++n) {
            const int32_t value[2] = {n, ~n};
            RV_SetMemDLong(0, 0, value, 5, 0, 1);
        }
    });
    int32_t block[2];
    for (auto _ : state) {
        benchmark::DoNotOptimize(RV_GetMemDLong(0, 0, block, 5, 0, 1));
        benchmark::DoNotOptimize(block);
    }
    done = true;
    writer.join();
}
BENCHMARK(GetMemDLongUnderWrites)->UseRealTime();

void SetMemShort(benchmark::State& state) {
    if (!ready(state))
        return;
    const auto count = static_cast<int32_t>(state.range(0));
    std::unique_ptr<int16_t[]> data(new int16_t[count]());
    for (auto _ : state)
        benchmark::DoNotOptimize(RV_SetMemShort(0, 0, data.get(), 0, 0, count));
}
BENCHMARK(SetMemShort)->Arg(1)->Arg(256);

void Put(benchmark::State& state) {
    if (!ready(state))
        return;
    const int32_t block[2] = {1, 2};
    for (auto _ : state)
        benchmark::DoNotOptimize(RV_Put(0, 0, block));
}
BENCHMARK(Put);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    OpenBoard open;
    theBoard = &open;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theBoard = nullptr;
    return 0;
}
