// Cost of one log line written with logging on, and of the level check that
// every call makes when its level is off.
#include "lib/LogFile.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

// A private current and runtime directory for the benchmark's log.
class Scratch {
public:
    explicit Scratch(const char* loglevel)
    {
        char pattern[] = "/tmp/ravbench-XXXXXX";
        root_ = mkdtemp(pattern);
        old_ = std::filesystem::current_path();
        std::filesystem::current_path(root_);
        setenv("RAVEL_RUNTIME_DIR", (root_ + "/run").c_str(), 1);
        std::ofstream("RavlibLog.ini") << "[LOG]\r\nLOGLEVEL=" << loglevel << "\r\n";
    }
    ~Scratch()
    {
        std::filesystem::current_path(old_);
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

private:
    std::string root_;
    std::filesystem::path old_;
};

void writeLine(benchmark::State& state)
{
    Scratch scratch("10007H");
    ravlib::LogFile log;
    if (!log.open("RavlibLog", "RavlibLog.ini", "RavlibLog.Map", 0)) {
        state.SkipWithError("log did not open");
        return;
    }
    for (auto _ : state)
        log.write(ravlib::LOG_TRACE, "Ravlib(0) RV_GetMemShort: Line(0): OK");
    log.close();
}
BENCHMARK(writeLine);

void writefLine(benchmark::State& state)
{
    Scratch scratch("10007H");
    ravlib::LogFile log;
    if (!log.open("RavlibLog", "RavlibLog.ini", "RavlibLog.Map", 0)) {
        state.SkipWithError("log did not open");
        return;
    }
    for (auto _ : state)
        log.writef(ravlib::LOG_TRACE, "%s(%d) RV_GetMemShort: Line(%d): OK", "Ravlib", 0, 0);
    log.close();
}
BENCHMARK(writefLine);

void enabledWhenOff(benchmark::State& state)
{
    Scratch scratch("10001H");
    ravlib::LogFile log;
    if (!log.open("RavlibLog", "RavlibLog.ini", "RavlibLog.Map", 0)) {
        state.SkipWithError("log did not open");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(log.enabled(ravlib::LOG_DETAIL));
    log.close();
}
BENCHMARK(enabledWhenOff);

}  // namespace

BENCHMARK_MAIN();
