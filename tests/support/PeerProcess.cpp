#include "tests/support/PeerProcess.h"

namespace boardtest {

PeerProcess::PeerProcess() : child_({BOARD_PEER_PATH}) {
    ready_ = child_.started() && readLine() == "ready";
}

PeerProcess::~PeerProcess() {
    exit();
}

void PeerProcess::send(const std::string& command) {
    child_.writeLine(command);
}

std::string PeerProcess::ask(const std::string& command, int timeoutMs) {
    send(command);
    return readLine(timeoutMs);
}

std::string PeerProcess::readLine(int timeoutMs) {
    return child_.readLine(timeoutMs);
}

int PeerProcess::exit() {
    if (!child_.running())
        return -1;
    send("exit");
    return child_.wait(20000);
}

void PeerProcess::kill() {
    child_.kill();
}

}  // namespace boardtest
