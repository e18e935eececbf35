// ravel boards: which of the boards 0..3 are there and what they do.
#include "tools/ravel/Commands.h"
#include "tools/ravel/Json.h"
#include "tools/ravel/MailPort.h"
#include "tools/ravel/ReturnCode.h"

#include "lib/Ravlib.h"

#include <string>

namespace ravel {

namespace {

struct BoardReport {
    int number = 0;
    bool found = false;
    ConnectInfo info;
    std::string mail;  // "closed", "open in another process", or the failing code's name
};

// Mail is open in at most one process; opening it (and closing it again at
// once) is the one way the library tells whether another holds it.
std::string mailState(int board) {
    MailPort mail(board);
    std::int32_t code = mail.tryOpen();
    if (code == MKY43_ER_OK)
        return "closed";
    if (code == MKY43_ER_ALREADYMAILOPEN)
        return "open in another process";
    return std::string(returnCodeName(code));
}

std::string textLine(const BoardReport& report) {
    std::string line = "board " + std::to_string(report.number) + ": ";
    if (!report.found)
        return line + "not found";
    line += std::string(report.info.stateName()) + " (sequence " + std::to_string(report.info.sequence) + ")";
    if (report.info.sequence != 0 || report.info.running)
        line += ", station " + std::to_string(report.info.station) + " size " + std::to_string(report.info.size);
    return line + ", mail " + report.mail;
}

std::string jsonObject(const BoardReport& report) {
    std::string object =
        "{\"board\":" + std::to_string(report.number) + ",\"found\":" + (report.found ? "true" : "false");
    if (report.found)
        object += ",\"state\":" + jsonString(report.info.stateName()) +
                  ",\"sequence\":" + std::to_string(report.info.sequence) +
                  ",\"running\":" + (report.info.running ? "true" : "false") +
                  ",\"station\":" + std::to_string(report.info.station) +
                  ",\"size\":" + std::to_string(report.info.size) + ",\"mail\":" + jsonString(report.mail);
    return object + "}";
}

}  // namespace

int runBoards(const Invocation& call) {
    std::string json = "[";
    int status = kExitOk;
    for (int number = 0; number < 4; ++number) {
        BoardReport report;
        report.number = number;
        Board board(number);
        std::int32_t code = board.tryOpen();
        if (code == MKY43_ER_OK) {
            report.found = true;
            if (!board.connectInfo(report.info))
                status = kExitFailed;
            report.mail = mailState(number);
        } else if (code != MKY43_ER_OPENDEVICE) {
            // Anything but "no such device" is a failure worth its name.
            succeeded(code, "RV_open(board " + std::to_string(number) + ")");
            status = kExitFailed;
        }
        if (call.json)
            json += (number ? "," : "") + jsonObject(report);
        else if (!writeLine(stdout, textLine(report)))
            return kExitFailed;
    }
    if (call.json && !writeLine(stdout, json + "]"))
        return kExitFailed;
    return status;
}

}  // namespace ravel
