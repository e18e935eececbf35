#include "tests/support/LogLines.h"

#include "tests/support/Sandbox.h"

#include <regex>

namespace ravtest {

std::vector<std::string> logLines(const std::string& path) {
    const std::string text = readFile(path);
    static const std::regex stamp(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d )");
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back("<unterminated>" + text.substr(at));
            break;
        }
        const std::string line = text.substr(at, end - at);
        if (line.size() >= 18 && std::regex_match(line.substr(0, 18), stamp))
            lines.push_back(line.substr(18));
        else
            lines.push_back("<no stamp>" + line);
        at = end + 2;
    }
    return lines;
}

std::vector<std::string> noDeviceOpenLines(int board, unsigned error) {
    const std::string name = "RavlibBrd" + std::to_string(board);
    const std::string prefix = "##    " + name;
    return {prefix + ": CreateSemaphore: Comm Start Semaphore: Line(0): OK: Name(" + name + "0_StaSem)",
            prefix + ": CreateSemaphore: GM Read Semaphore: Line(0): OK: Name(" + name + "0_GmSemR)",
            prefix + ": CreateSemaphore: GM Write Semaphore: Line(0): OK: Name(" + name + "0_GmSemW)",
            prefix + " open: NG: <CE=" + std::to_string(error) + ">",
            prefix + ": DestorySemaphore: Comm Start Semaphore: Line(0)",
            prefix + ": DestorySemaphore: GM Read Semaphore: Line(0)",
            prefix + ": DestorySemaphore: GM Write Semaphore: Line(0)"};
}

}  // namespace ravtest
