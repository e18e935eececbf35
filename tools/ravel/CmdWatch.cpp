// ravel watch: the live GM of all stations, as a grid on a terminal or as
// trace lines elsewhere.
#include "tools/ravel/Commands.h"
#include "tools/ravel/Grid.h"
#include "tools/ravel/Numbers.h"
#include "tools/ravel/StopFlag.h"
#include "tools/ravel/Trace.h"

#include "chip/Mky43.h"

#include <chrono>
#include <sys/ioctl.h>
#include <unistd.h>

namespace ravel {

namespace {

constexpr std::chrono::milliseconds kRefresh{100};

// The whole frame in one write: another process's line to the same
// terminal then lands between frames, never inside one.
bool writeAll(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n <= 0) {
            requestStop();
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Changes as trace lines; the first state against an empty bus.
bool printChanges(const BusState& before, const BusState& after, double seconds, bool json) {
    for (const BusChange& change : changesBetween(before, after))
        if (!writeLine(stdout, formatEvent(eventFrom(change, seconds), json)))
            return false;
    return true;
}

}  // namespace

int runWatch(const Invocation& call) {
    Board board(call.board);
    if (!openBoard(board, call))
        return kExitFailed;

    winsize size{};
    const bool grid = !call.json && isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0;
    Grid view(size.ws_col);
    if (grid && !writeAll(gridScreenSetup(view.height(), size.ws_row)))
        return kExitFailed;

    const auto begin = std::chrono::steady_clock::now();
    auto next = begin;
    BusState previous;
    int status = kExitOk;
    while (!stopRequested()) {
        BusState state;
        GridHeader header;
        header.board = call.board;
        if (!readBusState(call.board, state) || !board.connectInfo(header.info) ||
            !board.readRegister16(mky43::CCTR, header.cycle)) {
            status = kExitFailed;
            break;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        if (grid ? !writeAll(view.frame(state, header)) : !printChanges(previous, state, seconds, call.json))
            break;
        previous = state;
        if (call.forSeconds && seconds >= *call.forSeconds)
            break;
        next += kRefresh;
        auto now = std::chrono::steady_clock::now();
        if (next < now)
            next = now;
        pause(std::chrono::duration_cast<std::chrono::microseconds>(next - now));
    }
    if (grid)
        writeAll(gridScreenRestore(size.ws_row));
    return status;
}

}  // namespace ravel
