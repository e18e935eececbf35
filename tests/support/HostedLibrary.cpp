#include "tests/support/HostedLibrary.h"

#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>
#include <unistd.h>

#include "lib/os/NamedObject.h"

namespace boardtest {

namespace {
const char* const kEventWords[] = {"MailRecv1", "MailRecv2", "MailSeRes", "MailClose", "MailError"};
}

std::vector<std::string> semaphoreLines(int board) {
    const std::string name = "RavlibBrd" + std::to_string(board);
    return {detail(name + ": CreateSemaphore: Comm Start Semaphore: Line(0): OK: Name(" + name + "0_StaSem)"),
            detail(name + ": CreateSemaphore: GM Read Semaphore: Line(0): OK: Name(" + name + "0_GmSemR)"),
            detail(name + ": CreateSemaphore: GM Write Semaphore: Line(0): OK: Name(" + name + "0_GmSemW)")};
}

std::vector<std::string> threadAndEventLines(int board) {
    const std::string b = std::to_string(board);
    std::vector<std::string> lines{detail("RavlibBrd" + b + ": CreateThread: Mail Thread: Line(0): OK")};
    for (const char* word : kEventWords)
        lines.push_back(detail(std::string(word) + "_" + b + ": CreateEvent: Mail Event: Line(0): OK: Name(" + word +
                               "_" + b + "0_MailEve)"));
    return lines;
}

std::vector<std::string> eventThreadSemaphoreCloseLines(int board) {
    const std::string b = std::to_string(board);
    const std::string name = "RavlibBrd" + b;
    std::vector<std::string> lines;
    for (const char* word : kEventWords)
        lines.push_back(detail(std::string(word) + "_" + b + ": DestoryEvent: Mail Event: Line(0)"));
    lines.push_back(detail(name + ": DestoryThread: Mail Thread: Line(0)"));
    lines.push_back(detail(name + ": DestorySemaphore: Comm Start Semaphore: Line(0)"));
    lines.push_back(detail(name + ": DestorySemaphore: GM Read Semaphore: Line(0)"));
    lines.push_back(detail(name + ": DestorySemaphore: GM Write Semaphore: Line(0)"));
    return lines;
}

int threadCount() {
    // A thread sanitizer starts a helper thread with the first thread the
    // process creates; start it before anything is counted.
    static const bool warmedUp = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)warmedUp;
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ++count;
    return count;
}

int socketCount() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
        if (!ec && target.rfind("socket:", 0) == 0)
            ++count;
    }
    return count;
}

int chipViews(const std::string& dir) {
    static const std::regex window(R"(/board\d+\.regionA$)");
    std::ifstream maps("/proc/self/maps");
    int count = 0;
    for (std::string line; std::getline(maps, line);)
        if (line.find(dir + "/") != std::string::npos && std::regex_search(line, window))
            ++count;
    return count;
}

bool objectGone(const char* name) {
    ravlib::os::NamedObject probe;
    if (!probe.open(name, 0))
        return false;
    const bool gone = probe.created();
    probe.close();
    return gone;
}

std::string withoutNumbers(const std::string& line) {
    static const std::regex numbers(R"((Handle|CE)=\d+)");
    return std::regex_replace(line, numbers, "$1=#");
}

std::vector<std::string> withoutNumbers(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines)
        out.push_back(withoutNumbers(line));
    return out;
}

}  // namespace boardtest
