// The shared library as applications see it: its dynamic symbol table, and
// loading and unloading it in child processes with their own directories.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <set>
#include <string>

#include "lib/Ravlib.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/LogLines.h"
#include "tests/support/Sandbox.h"

namespace ravtest {
namespace {

const std::set<std::string> kExportNames = {
    "RV_boardname",   "RV_dllname",    "RV_version",     "RV_maxline",     "RV_open",        "RV_close",
    "RV_start",       "RV_start_lf",   "RV_start_gmm",   "RV_stop",        "RV_reset",       "RV_GetCnectStat",
    "RV_config",      "RV_Status",     "RV_Name",        "RV_Connect",     "RV_ConnectLF",   "RV_ConnectGMM",
    "RV_DisConnect",  "RV_Alloc",      "RV_Free",        "RV_Attach",      "RV_Map",         "RV_UnMap",
    "RV_MailOpen",    "RV_MailClose",  "RV_MailSend",    "RV_MailReceive", "RV_MailStatus",  "RV_MailWaitObject",
    "RV_Ck",          "RV_Put",        "RV_Get",         "RV_GetReg64",    "RV_GetReg32",    "RV_GetReg16",
    "RV_SetReg64",    "RV_SetReg32",   "RV_SetReg16",    "RV_GetMemByte",  "RV_GetMemShort", "RV_GetMemLong",
    "RV_GetMemDLong", "RV_SetMemByte", "RV_SetMemShort", "RV_SetMemLong",  "RV_SetMemDLong", "RV_HardReset",
};

const std::string kStartLine = "**   ------------------- Ravlib.dll Service Start -------------------";
const std::string kStopLine = "**   ------------------- Ravlib.dll Service Stop -------------------";

std::set<std::string> definedDynamicSymbols(const std::string& library) {
    std::set<std::string> names;
    const std::string command = std::string(RAVEL_NM) + " -D --defined-only " + library;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return names;
    char row[512];
    while (std::fgets(row, sizeof row, pipe)) {
        std::string text(row);
        text.erase(text.find_last_not_of("\r\n") + 1);
        const size_t space = text.find_last_of(' ');
        names.insert(text.substr(space == std::string::npos ? 0 : space + 1));
    }
    pclose(pipe);
    return names;
}

TEST(LoadedLibrary, ExportsExactlyThe48Names) {
    EXPECT_EQ(definedDynamicSymbols(RAVLIB_PATH), kExportNames);
}

TEST(LoadedLibrary, EveryNameBindsByDlsym) {
    Sandbox box;
    void* library = dlopen(RAVLIB_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const std::string& name : kExportNames)
        EXPECT_NE(dlsym(library, name.c_str()), nullptr) << name;
    EXPECT_EQ(dlsym(library, "_ZN6ravlib6theLogEv"), nullptr);
    dlclose(library);
}

// Child process body: load the library, run `calls`, then unload it by
// dlclose or by leaving with exit(). Exit code 0 when every step matched.
template <class Calls>
int loadAndRun(Calls&& calls, bool unloadByExit) {
    void* library = dlopen(RAVLIB_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return 10;
    const int failed = calls(library);
    if (failed)
        return failed;
    if (unloadByExit)
        std::exit(0);
    return dlclose(library) == 0 ? 0 : 11;
}

template <class Function>
Function bind(void* library, const char* name) {
    return reinterpret_cast<Function>(dlsym(library, name));
}

int closedBoardCalls(void* library) {
    auto status = bind<decltype(&RV_Status)>(library, "RV_Status");
    auto open = bind<decltype(&RV_open)>(library, "RV_open");
    unsigned char state[12];
    if (!status || status(0, 0, state) != MKY43_ER_NOTOPEN)
        return 20;
    if (!open || open(1) != MKY43_ER_OPENDEVICE)
        return 21;
    return 0;
}

int runChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body());
    return waitChild(pid);
}

struct UnloadCase {
    const char* name;
    bool byExit;
};

class LoadUnload : public ::testing::TestWithParam<UnloadCase> {};

TEST_P(LoadUnload, WritesServiceStartAndStopAroundTheCalls) {
    Sandbox box;
    box.write("RavlibLog.ini", kLogAll);
    const bool byExit = GetParam().byExit;
    ASSERT_EQ(runChild([&] { return loadAndRun(closedBoardCalls, byExit); }), 0);
    std::vector<std::string> expected{kStartLine, "@@   Ravlib(0) RV_Status: Line(0): NG: Ret(2h)",
                                      "**   Ravlib(1) RV_open"};
    for (const std::string& line : noDeviceOpenLines(1))
        expected.push_back(line);
    expected.push_back("@@   Ravlib(1) RV_open NG: Ret(4h)");
    expected.push_back(kStopLine);
    EXPECT_EQ(logLines(box.cwd() + "/RavlibLog_0000.log"), expected);
    // The log's position keys went back into the settings at unload.
    std::ifstream ini(box.cwd() + "/RavlibLog.ini");
    const std::string settings((std::istreambuf_iterator<char>(ini)), {});
    EXPECT_NE(settings.find("LOGLINE_00=12"), std::string::npos) << settings;
}

INSTANTIATE_TEST_SUITE_P(Ravlib, LoadUnload,
                         ::testing::Values(UnloadCase{"Dlclose", false}, UnloadCase{"ProcessExit", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Children that load the library, report through a pipe and stay loaded
// until the parent closes their gate.
class HeldLoad {
public:
    explicit HeldLoad(const std::string& cwd) {
        if (pipe(ready_) != 0 || pipe(gate_) != 0)
            return;
        std::fflush(nullptr);
        pid_ = fork();
        if (pid_ == 0) {
            close(ready_[0]);
            close(gate_[1]);
            if (chdir(cwd.c_str()) != 0)
                _exit(30);
            void* library = dlopen(RAVLIB_PATH, RTLD_NOW | RTLD_LOCAL);
            if (!library)
                _exit(31);
            auto status = bind<decltype(&RV_Status)>(library, "RV_Status");
            char result = static_cast<char>(status(0, 0, nullptr));
            if (write(ready_[1], &result, 1) != 1)
                _exit(32);
            char c;
            while (read(gate_[0], &c, 1) > 0) {
            }
            _exit(dlclose(library) == 0 ? 0 : 33);
        }
        close(ready_[1]);
        close(gate_[0]);
    }
    ~HeldLoad() {
        if (pid_ > 0) {
            close(gate_[1]);
            waitChild(pid_);
        }
    }
    HeldLoad(const HeldLoad&) = delete;
    HeldLoad& operator=(const HeldLoad&) = delete;

    // The result of RV_Status(0, 0, NULL) in the child, once it is loaded.
    int ready() {
        char result = 0;
        return read(ready_[0], &result, 1) == 1 ? result : 99;
    }
    int release() {
        close(gate_[1]);
        const int code = waitChild(pid_);
        pid_ = -1;
        return code;
    }

private:
    pid_t pid_ = -1;
    int ready_[2] = {-1, -1};
    int gate_[2] = {-1, -1};
};

TEST(LoadedLibrary, TwoProcessesLoadedAtOnceWriteTheirOwnSlotFiles) {
    Sandbox box;
    box.write("RavlibLog.ini", kLogAll);
    HeldLoad first(box.cwd());
    ASSERT_EQ(first.ready(), MKY43_ER_NOTOPEN);
    HeldLoad second(box.cwd());
    ASSERT_EQ(second.ready(), MKY43_ER_NOTOPEN);
    EXPECT_EQ(second.release(), 0);
    EXPECT_EQ(first.release(), 0);
    const std::vector<std::string> expected{kStartLine, "@@   Ravlib(0) RV_Status: Line(0): NG: Ret(2h)", kStopLine};
    EXPECT_EQ(logLines(box.cwd() + "/RavlibLog_0000.log"), expected);
    EXPECT_EQ(logLines(box.cwd() + "/RavlibLog_0100.log"), expected);
}

TEST(LoadedLibrary, ALoadThatCannotOpenItsLogStaysInertAndFreesItsSlot) {
    Sandbox box;
    box.write("RavlibLog.ini", kLogAll);
    std::filesystem::create_directory(box.cwd() + "/RavlibLog_0000.log");
    HeldLoad inert(box.cwd());
    ASSERT_EQ(inert.ready(), MKY43_ER_OTHER);

    // A process loading next, in another directory, gets slot 0 again.
    const std::string other = box.root() + "/other";
    std::filesystem::create_directory(other);
    std::ofstream(other + "/RavlibLog.ini") << kLogAll;
    HeldLoad next(other);
    EXPECT_EQ(next.ready(), MKY43_ER_NOTOPEN);
    EXPECT_EQ(next.release(), 0);
    EXPECT_EQ(logLines(other + "/RavlibLog_0000.log"),
              (std::vector<std::string>{kStartLine, "@@   Ravlib(0) RV_Status: Line(0): NG: Ret(2h)", kStopLine}));

    EXPECT_EQ(inert.release(), 0);
    EXPECT_TRUE(std::filesystem::is_directory(box.cwd() + "/RavlibLog_0000.log"));
}

TEST(LoadedLibrary, InertLibraryAnswersIdentityAndOtherwiseOther) {
    Sandbox box;
    std::filesystem::create_directory(box.cwd() + "/RavlibLog_0000.log");
    const int code = runChild([] {
        return loadAndRun(
            [](void* library) {
                char text[32];
                if (std::string(bind<decltype(&RV_boardname)>(library, "RV_boardname")(text)) != "MKY43 RAVEL-PCIE-MST")
                    return 40;
                if (bind<decltype(&RV_maxline)>(library, "RV_maxline")() != 1)
                    return 41;
                if (bind<decltype(&RV_open)>(library, "RV_open")(0) != MKY43_ER_OTHER)
                    return 42;
                if (bind<decltype(&RV_GetMemByte)>(library, "RV_GetMemByte")(9, 0, nullptr, 0, 0, 0) != MKY43_ER_OTHER)
                    return 43;
                if (bind<decltype(&RV_close)>(library, "RV_close")(0) != MKY43_ER_OTHER)
                    return 44;
                return 0;
            },
            false);
    });
    EXPECT_EQ(code, 0);
}

}  // namespace
}  // namespace ravtest
