// Cost of one export whose check fails (RV_Status on a closed board), with
// logging off and with every level on.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "lib/LibraryLoad.h"
#include "lib/Ravlib.h"

namespace {

// The library attached in a fresh directory with the given log settings.
class AttachedIn {
public:
    explicit AttachedIn(const char* logSettings) {
        char pattern[] = "/tmp/ravbench-XXXXXX";
        root_ = mkdtemp(pattern);
        std::filesystem::create_directory(root_ + "/run");
        setenv("RAVEL_RUNTIME_DIR", (root_ + "/run").c_str(), 1);
        oldCwd_ = std::filesystem::current_path();
        std::filesystem::current_path(root_);
        if (logSettings)
            std::ofstream(root_ + "/RavlibLog.ini") << logSettings;
        attached_ = ravlib::processAttach();
    }
    ~AttachedIn() {
        ravlib::processDetach();
        std::filesystem::current_path(oldCwd_);
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    bool attached() const { return attached_; }

private:
    std::string root_;
    std::filesystem::path oldCwd_;
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
