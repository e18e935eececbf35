// Cost of one export whose check fails (RV_Status on a closed board), with
// logging off and with every level on.
#include <benchmark/benchmark.h>

#include "lib/Ravlib.h"
#include "lib/exports/LibraryLoad.h"
#include "tests/support/Sandbox.h"

namespace {

// The library attached in a fresh directory with the given log settings.
class AttachedIn {
public:
    explicit AttachedIn(const char* logSettings) {
        if (logSettings)
            box_.write("RavlibLog.ini", logSettings);
        attached_ = ravlib::processAttach();
    }
    ~AttachedIn() { ravlib::processDetach(); }
    bool attached() const { return attached_; }

private:
    ravtest::Sandbox box_;
    bool attached_ = false;
};

void statusOnClosedBoard(benchmark::State& state, const char* logSettings) {
    AttachedIn library(logSettings);
    if (!library.attached()) {
        state.SkipWithError("library did not attach");
        return;
    }
    unsigned char connectState[12];
    for (auto _ : state)
        benchmark::DoNotOptimize(RV_Status(0, 0, connectState));
}

BENCHMARK_CAPTURE(statusOnClosedBoard, LogOff, nullptr);
BENCHMARK_CAPTURE(statusOnClosedBoard, LogLevel10007H, "[LOG]\r\nLOGLEVEL=10007H\r\n");

}  // namespace

BENCHMARK_MAIN();
