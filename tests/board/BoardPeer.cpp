// A second process with the library attached in the test's directories. It
// reads one command per line and answers one line each:
//   open B | close B       the export's result
//   take B | give B        B's GM Read Semaphore taken / given back
//   set B J                event J of B's mail events set
//   count                  processes registered with the log
//   exit                   unload the library and end
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "lib/BoardTable.h"
#include "lib/EvntCtrl.h"
#include "lib/LibraryLoad.h"
#include "lib/LogFile.h"
#include "lib/Ravlib.h"
#include "lib/SemCtrl.h"
#include "lib/os/SyncWait.h"

namespace {

std::string answer(const std::string& command, int board, int index) {
    using namespace ravlib;
    if (command == "open")
        return std::to_string(RV_open(board));
    if (command == "close")
        return std::to_string(RV_close(board));
    if (command == "count")
        return std::to_string(theLog().processCount());
    std::shared_ptr<BoardCtrl> ctrl = boardTable().find(board);
    if (!ctrl)
        return "not open";
    if (command == "take")
        return ctrl->gmReadSem(0)->wait(os::kInfinite) == os::kWaitObject0 ? "taken" : "wait failed";
    if (command == "give")
        return ctrl->gmReadSem(0)->release() ? "given" : "release failed";
    if (command == "set") {
        ctrl->mailEvents(0)->set(index);
        return "set";
    }
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
        int board = 0, index = 0;
        words >> command >> board >> index;
        if (command == "exit")
            break;
        std::printf("%s\n", answer(command, board, index).c_str());
        std::fflush(stdout);
    }
    ravlib::processDetach();
    return 0;
}
