// The shared library loaded by a child process, on a running host.
#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

#include "lib/Ravlib.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/HostedLibrary.h"

namespace boardtest {
namespace {

template <class Function>
Function bind(void* library, const char* name) {
    return reinterpret_cast<Function>(dlsym(library, name));
}

// Child body: exit code 0 when all four calls answered 0.
int openAndCloseTwoBoards() {
    void* library = dlopen(RAVLIB_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return 10;
    auto open = bind<decltype(&RV_open)>(library, "RV_open");
    auto close = bind<decltype(&RV_close)>(library, "RV_close");
    if (!open || !close)
        return 11;
    int failed = 0;
    if (open(0) != MKY43_ER_OK)
        failed = 20;
    else if (open(1) != MKY43_ER_OK)
        failed = 21;
    else if (close(1) != MKY43_ER_OK)
        failed = 22;
    else if (close(0) != MKY43_ER_OK)
        failed = 23;
    return dlclose(library) == 0 ? failed : 12;
}

// Child body: opens board 0 and leaves by exit(), the board still open.
int openAndExit() {
    void* library = dlopen(RAVLIB_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return 10;
    auto open = bind<decltype(&RV_open)>(library, "RV_open");
    if (!open || open(0) != MKY43_ER_OK)
        return 20;
    std::exit(0);
}

TEST_F(HostedLibrary, ExitWithABoardOpenFinishesAndClosesIt) {
    host_.spawn({"--board", "0"});
    ASSERT_TRUE(host_.waitReady()) << host_.standardError();
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0)
        _exit(openAndExit());
    ASSERT_EQ(ravtest::waitChild(child), 0);
    const std::vector<std::string> lines = withoutNumbers(allLines());
    const std::vector<std::string> closing = eventThreadSemaphoreCloseLines(0);
    ASSERT_GE(lines.size(), closing.size() + 3);
    EXPECT_EQ(std::vector<std::string>(lines.end() - static_cast<std::ptrdiff_t>(closing.size() + 3), lines.end()),
              joined(std::vector<std::string>{detail("RavlibBrd0 Finish: OK: "),
                                              detail("RavlibBrd0 close: OK: <Device=\\\\.\\Ravkern0, Handle=#, CE=#>")},
                     closing,
                     std::vector<std::string>{"**   ------------------- Ravlib.dll Service Stop -------------------"}));
}

TEST_F(HostedLibrary, TheLoadedLibraryOpensAndClosesTwoBoardsWithEveryDetailLine) {
    host_.spawn({"--board", "0", "--board", "1"});
    ASSERT_TRUE(host_.waitReady()) << host_.standardError();
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0)
        _exit(openAndCloseTwoBoards());
    ASSERT_EQ(ravtest::waitChild(child), 0);

    std::vector<std::string> expected{"**   ------------------- Ravlib.dll Service Start -------------------"};
    for (int board : {0, 1}) {
        const std::string b = std::to_string(board);
        expected = joined(
            expected, std::vector<std::string>{"**   Ravlib(" + b + ") RV_open"}, semaphoreLines(board),
            std::vector<std::string>{detail("RavlibBrd" + b + " open: OK: <Device=\\\\.\\Ravkern" + b + ", Handle=#>")},
            threadAndEventLines(board),
            std::vector<std::string>{detail("RavlibBrd" + b + " mky40map: OK: "),
                                     "##    Ravlib(" + b + ") RV_open: OK"});
    }
    for (int board : {1, 0}) {
        const std::string b = std::to_string(board);
        expected = joined(expected,
                          std::vector<std::string>{
                              "**   Ravlib(" + b + ") RV_close",
                              detail("RavlibBrd" + b + " close: OK: <Device=\\\\.\\Ravkern" + b + ", Handle=#, CE=#>")},
                          eventThreadSemaphoreCloseLines(board),
                          std::vector<std::string>{"##    Ravlib(" + b + ") RV_close: OK"});
    }
    expected.push_back("**   ------------------- Ravlib.dll Service Stop -------------------");
    EXPECT_EQ(withoutNumbers(allLines()), expected);
}

}  // namespace
}  // namespace boardtest
