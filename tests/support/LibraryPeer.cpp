// A second process with the library attached in the test's directories. It
// reads one command per line and answers one line each; B is a board number
// (0 when left out), every other command drives board 0:
//   open B | close B           the export's result
//   stop | start A S | config R
//                              RV_stop, RV_start, RV_config's result
//   fill A S V                 RV_SetMemShort of V into every word of stations A..A+S-1
//   write P SECONDS            two writer threads of writer P for that long;
//                              answers "done" and word:value pairs of the
//                              last value of every GM word it owns
//   trysem                     "free" when the Comm Start Semaphore could be
//                              taken (and is given back), "busy" otherwise
//   take B | give B            B's GM Read Semaphore taken / given back
//   set B J                    event J of B's mail events set
//   mailopen B | mailclose B   the export's result
//   mailwait B                 "R S": RV_MailWaitObject's result and status
//   count                      processes registered with the log
//   pid                        this process's id
//   exit                       unload the library and end
#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "lib/Ravlib.h"
#include "lib/board/BoardTable.h"
#include "lib/exports/LibraryLoad.h"
#include "lib/files/LogFile.h"
#include "lib/os/SyncWait.h"
#include "lib/sync/EvntCtrl.h"
#include "lib/sync/SemCtrl.h"

namespace {

using namespace ravlib;

// Writer P's short thread owns word P of blocks 0..3; its long thread owns
// long P % 2 of blocks 4 + 2 (P / 2) and 5 + 2 (P / 2). Every value carries
// its owner in the top four bits of each word: P for shorts, 8 + P for longs.
std::string write(int p, double seconds) {
    std::mutex lock;
    std::map<int, uint16_t> last;  // GM word -> last value written
    std::atomic<bool> failed{false};
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::thread shortWriter([&] {
        for (int r = 0; std::chrono::steady_clock::now() < end; ++r) {
            const int block = r % 4;
            const auto v = static_cast<uint16_t>(p << 12 | (r & 0x0FFF));
            const auto value = static_cast<int16_t>(v);
            if (RV_SetMemShort(0, 0, &value, block, p, 1) != MKY43_ER_OK)
                failed = true;
            std::lock_guard guard(lock);
            last[block * 4 + p] = v;
        }
    });
    std::thread longWriter([&] {
        for (int r = 0; std::chrono::steady_clock::now() < end; ++r) {
            const int block = 4 + 2 * (p / 2) + r % 2;
            const auto half = static_cast<uint16_t>((8 + p) << 12 | (r & 0x0FFF));
            const auto value = static_cast<int32_t>(static_cast<uint32_t>(half) << 16 | half);
            if (RV_SetMemLong(0, 0, &value, block, p % 2, 1) != MKY43_ER_OK)
                failed = true;
            std::lock_guard guard(lock);
            last[block * 4 + 2 * (p % 2)] = half;
            last[block * 4 + 2 * (p % 2) + 1] = half;
        }
    });
    shortWriter.join();
    longWriter.join();
    if (failed)
        return "write failed";
    std::string answer = "done";
    for (const auto& [word, value] : last) {
        char pair[24];
        std::snprintf(pair, sizeof pair, " %d:%u", word, static_cast<unsigned>(value));
        answer += pair;
    }
    return answer;
}

// The commands on one board's objects in this process.
std::string boardObjects(const std::string& command, int board, std::istringstream& words) {
    std::shared_ptr<BoardCtrl> ctrl = boardTable().find(board);
    if (!ctrl)
        return "not open";
    if (command == "trysem") {
        if (ctrl->commStartSem(0)->wait(0) == os::kWaitTimeout)
            return "busy";
        ctrl->commStartSem(0)->release();
        return "free";
    }
    if (command == "take")
        return ctrl->gmReadSem(0)->wait(os::kInfinite) == os::kWaitObject0 ? "taken" : "wait failed";
    if (command == "give")
        return ctrl->gmReadSem(0)->release() ? "given" : "release failed";
    int index = 0;
    words >> index;
    ctrl->mailEvents(0)->set(index);
    return "set";
}

std::string answer(const std::string& command, std::istringstream& words) {
    int a = 0, b = 0;
    if (command == "count")
        return std::to_string(theLog().processCount());
    if (command == "pid")
        return std::to_string(getpid());
    if (command == "stop")
        return std::to_string(RV_stop(0, 0));
    if (command == "start") {
        words >> a >> b;
        return std::to_string(RV_start(0, 0, a, b, 0));
    }
    if (command == "config") {
        words >> a;
        return std::to_string(RV_config(0, 0, a));
    }
    if (command == "fill") {
        int value = 0;
        words >> a >> b >> value;
        if (b < 0)
            return "bad size";
        std::vector<int16_t> data(static_cast<size_t>(b) * 4, static_cast<int16_t>(value));
        return std::to_string(RV_SetMemShort(0, 0, data.data(), a, 0, b * 4));
    }
    if (command == "write") {
        double seconds = 0;
        words >> a >> seconds;
        return write(a, seconds);
    }
    if (command == "trysem")
        return boardObjects(command, 0, words);

    int board = 0;
    words >> board;
    if (command == "open")
        return std::to_string(RV_open(board));
    if (command == "close")
        return std::to_string(RV_close(board));
    if (command == "mailopen")
        return std::to_string(RV_MailOpen(board, 0));
    if (command == "mailclose")
        return std::to_string(RV_MailClose(board, 0));
    if (command == "mailwait") {
        int16_t status = 0;
        const int32_t result = RV_MailWaitObject(board, 0, &status);
        return std::to_string(result) + " " + std::to_string(status);
    }
    if (command == "take" || command == "give" || command == "set")
        return boardObjects(command, board, words);
    return "unknown " + command;
}

}  // namespace

int main() {
    if (!ravlib::processAttach()) {
        std::printf("attach failed\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "exit")
            break;
        std::printf("%s\n", answer(command, words).c_str());
        std::fflush(stdout);
    }
    ravlib::processDetach();
    return 0;
}
