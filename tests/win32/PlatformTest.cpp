// Where Win32 differs from the Linux layer: the DLL loaded by LoadLibrary,
// and what a second process of this program holds while alive or after it
// was killed: log slots, a board semaphore, the Mail Open Mutex.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "lib/Ravlib.h"
#include "lib/board/BoardCtrl.h"
#include "lib/exports/LibraryLoad.h"
#include "lib/files/ProcMapFile.h"
#include "lib/os/SyncWait.h"
#include "lib/os/Thread.h"
#include "lib/sync/SemCtrl.h"
#include "lib/window/MailThd.h"
#include "tests/support/LogLines.h"
#include "tests/support/Sandbox.h"

namespace {

using namespace ravlib;
using ravtest::readFile;

const char* const kSemaphore = "RavlibBrd0_0_GmSemR";
const std::string kStart = "**   ------------------- Ravlib.dll Service Start -------------------";
const std::string kStop = "**   ------------------- Ravlib.dll Service Stop -------------------";

// A second process of this program in `role`, in the same directory. It
// reports once it holds its part and keeps it until killed.
class Peer {
public:
    explicit Peer(const std::string& role) {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string command = std::string("\"") + self + "\" --role=" + role;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        started_ =
            CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process_);
    }
    ~Peer() { kill(); }

    // The report, or "" when the peer ended or a minute went by first.
    std::string report(const char* file = "report.txt") {
        for (int i = 0; started_ && i < 600 && !std::filesystem::exists(file); ++i) {
            if (WaitForSingleObject(process_.hProcess, 100) != WAIT_TIMEOUT)
                break;
        }
        return readFile(file);
    }

    void kill() {
        if (!started_)
            return;
        TerminateProcess(process_.hProcess, 9);
        WaitForSingleObject(process_.hProcess, INFINITE);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        started_ = false;
    }

private:
    PROCESS_INFORMATION process_{};
    bool started_ = false;
};

void reportAs(const char* file, const std::string& text) {
    ravtest::writeFile("report.tmp", text);
    MoveFileA("report.tmp", file);
}

// A board line with its mail thread on a blank chip window, as a mapped
// board has it.
void giveWindow(BoardCtrl& board) {
    static std::uint8_t window[0x1000];
    board.createMailThreads(0);
    board.mailThread(0)->setGmBase(window);
}

int runRole(const std::string& role) {
    ProcMapFile slots;
    SemCtrl semaphore;
    BoardCtrl board(0);
    if (role == "slot") {
        bool ok = slots.openMap("RavlibLog.Map", ProcMapFile::tableSize) && slots.claimSlot();
        reportAs("report.txt", ok ? std::to_string(slots.slotNo()) + " " + std::to_string(slots.processCount()) : "");
    } else if (role == "semaphore") {
        reportAs("report.txt", semaphore.create(kSemaphore) ? std::to_string(semaphore.wait(os::kInfinite)) : "");
    } else if (role == "mail" || role == "mail-close") {
        giveWindow(board);
        reportAs("report.txt", std::to_string(board.mailOpen(0)));
        while (role == "mail-close" && !std::filesystem::exists("close.txt"))
            Sleep(10);
        if (role == "mail-close")
            reportAs("closed.txt", std::to_string(board.mailClose(0)));
    }
    Sleep(INFINITE);
    return 0;
}

// At process exit the system ends the library's threads before the DLL's
// detach closes the boards; joining such a thread must not wait for ever.
TEST(Thread, JoinReturnsWhenTheSystemEndedTheThread) {
    static HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ravlib::os::Thread thread;
    ASSERT_TRUE(thread.start([](void*) { WaitForSingleObject(never, INFINITE); }, nullptr));
    HANDLE ended = OpenThread(THREAD_TERMINATE | SYNCHRONIZE, FALSE, thread.id());
    ASSERT_TRUE(ended != nullptr && TerminateThread(ended, 0));
    CloseHandle(ended);
    thread.join();
    EXPECT_FALSE(thread.joinable());
}

TEST(Dll, LoadOpenWithoutDriverAndUnloadWriteTheirLines) {
    ravtest::Sandbox box;
    box.write("RavlibLog.ini", ravtest::kLogAll);
    HMODULE dll = LoadLibraryA("Ravlib.dll");
    ASSERT_NE(dll, nullptr);
    std::ifstream names("Z:" RAVLIB_MAP);
    int bound = 0;
    for (std::string name; names >> name;) {
        if (name.rfind("RV_", 0) == 0) {
            name.pop_back();
            EXPECT_NE(GetProcAddress(dll, name.c_str()), nullptr) << name;
            ++bound;
        }
    }
    EXPECT_EQ(48, bound);
    auto open = reinterpret_cast<decltype(&RV_open)>(reinterpret_cast<void*>(GetProcAddress(dll, "RV_open")));
    EXPECT_EQ(MKY43_ER_OPENDEVICE, open(1));
    FreeLibrary(dll);
    std::vector<std::string> expected{kStart, "**   Ravlib(1) RV_open"};
    for (const std::string& line : ravtest::noDeviceOpenLines(1))
        expected.push_back(line);
    expected.push_back("@@   Ravlib(1) RV_open NG: Ret(4h)");
    expected.push_back(kStop);
    EXPECT_EQ(expected, ravtest::logLines(box.cwd() + "/RavlibLog_0000.log"));
}

TEST(SlotTable, TwoProcessesHoldSlots0And1AndAKilledOnesSlotIsReclaimed) {
    ravtest::Sandbox box;
    ProcMapFile mine;
    ASSERT_TRUE(mine.openMap("RavlibLog.Map", ProcMapFile::tableSize));
    ASSERT_TRUE(mine.claimSlot());
    EXPECT_EQ(0, mine.slotNo());
    Peer peer("slot");
    EXPECT_EQ("1 2", peer.report());
    EXPECT_EQ(2, mine.processCount());
    peer.kill();
    EXPECT_EQ(1, mine.processCount());
    ProcMapFile next;
    ASSERT_TRUE(next.openMap("RavlibLog.Map", ProcMapFile::tableSize));
    ASSERT_TRUE(next.claimSlot());
    EXPECT_EQ(1, next.slotNo());
}

TEST(BoardSemaphore, HeldByAKilledProcessIsTakenOverWithItsLogLine) {
    ravtest::Sandbox box;
    box.write("RavlibLog.ini", ravtest::kLogAll);
    ASSERT_TRUE(processAttach());
    Peer peer("semaphore");
    ASSERT_EQ(std::to_string(os::kWaitObject0), peer.report());
    SemCtrl semaphore;
    ASSERT_EQ(1, semaphore.create(kSemaphore));
    EXPECT_EQ(os::kWaitTimeout, semaphore.wait(0));
    peer.kill();
    EXPECT_EQ(os::kWaitAbandoned, semaphore.wait(60000));
    EXPECT_EQ(os::kWaitFailed, semaphore.wait(0));
    EXPECT_EQ(1, semaphore.release());
    EXPECT_EQ(0, semaphore.release());
    EXPECT_EQ(os::kWaitObject0, semaphore.wait(0));
    EXPECT_EQ(1, semaphore.release());
    processDetach();
    std::vector<std::string> lines = ravtest::logLines(box.cwd() + "/RavlibLog_0000.log");
    EXPECT_EQ(lines, (std::vector<std::string>{
                         kStart, std::string("##    Ravlib: Semaphore recovered: Name(") + kSemaphore + ")", kStop}));
}

class MailOpenMutex : public ::testing::TestWithParam<bool> {};

TEST_P(MailOpenMutex, ASecondProcessGets18UntilTheFirstClosesOrIsKilled) {
    const bool killed = GetParam();
    ravtest::Sandbox box;
    Peer peer(killed ? "mail" : "mail-close");
    ASSERT_EQ(std::to_string(MKY43_ER_OK), peer.report());
    BoardCtrl board(0);
    giveWindow(board);
    EXPECT_EQ(MKY43_ER_ALREADYMAILOPEN, board.mailOpen(0));
    if (killed) {
        peer.kill();
    } else {
        ravtest::writeFile("close.txt", "");
        EXPECT_EQ(std::to_string(MKY43_ER_OK), peer.report("closed.txt"));
    }
    EXPECT_EQ(MKY43_ER_OK, board.mailOpen(0));
    EXPECT_EQ(MKY43_ER_OK, board.mailClose(0));
}

INSTANTIATE_TEST_SUITE_P(Win32, MailOpenMutex, ::testing::Bool());

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--role=", 7) == 0)
            return runRole(argv[i] + 7);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
