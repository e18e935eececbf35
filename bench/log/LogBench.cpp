// Cost of one log line written with logging on, and of the level check that
// every call makes when its level is off.
#include "lib/files/LogFile.h"

#include "tests/support/Sandbox.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

// A sandbox whose RavlibLog.ini sets the given level mask.
class Scratch {
public:
    explicit Scratch(const char* loglevel) {
        box_.write("RavlibLog.ini", std::string("[LOG]\r\nLOGLEVEL=") + loglevel + "\r\n");
    }

private:
    ravtest::Sandbox box_;
};

// Runs body(log) once per iteration on a log opened with the given level mask.
template <typename Body>
void onOpenLog(benchmark::State& state, const char* loglevel, Body body) {
    Scratch scratch(loglevel);
    ravlib::LogFile log;
    if (!log.open("RavlibLog", "RavlibLog.ini", "RavlibLog.Map", 0)) {
        state.SkipWithError("log did not open");
        return;
    }
    for (auto _ : state)
        body(log);
    log.close();
}

void writeLine(benchmark::State& state) {
    onOpenLog(state, "10007H",
              [](ravlib::LogFile& log) { log.write(ravlib::LOG_TRACE, "Ravlib(0) RV_GetMemShort: Line(0): OK"); });
}
BENCHMARK(writeLine);

void writefLine(benchmark::State& state) {
    onOpenLog(state, "10007H", [](ravlib::LogFile& log) {
        log.writef(ravlib::LOG_TRACE, "%s(%d) RV_GetMemShort: Line(%d): OK", "Ravlib", 0, 0);
    });
}
BENCHMARK(writefLine);

void enabledWhenOff(benchmark::State& state) {
    onOpenLog(state, "10001H", [](ravlib::LogFile& log) { benchmark::DoNotOptimize(log.enabled(ravlib::LOG_DETAIL)); });
}
BENCHMARK(enabledWhenOff);

}  // namespace

BENCHMARK_MAIN();
