// ravel play: a recorded trace's own-station GM values written back onto
// this board's own stations with their original timing.
#include "tools/ravel/Commands.h"
#include "tools/ravel/ReturnCode.h"
#include "tools/ravel/StopFlag.h"
#include "tools/ravel/Trace.h"

#include "lib/Ravlib.h"

#include <chrono>
#include <fstream>

namespace ravel {

int runPlay(const Invocation& call) {
    const std::string& path = call.args.positional()[0];
    std::ifstream in(path);
    if (!in)
        return call.usageError("cannot read " + path);
    TraceHeader header;
    std::vector<TraceEvent> events;
    std::string error;
    if (!parseTrace(in, header, events, error)) {
        std::fprintf(stderr, "ravel play: %s: %s\n", path.c_str(), error.c_str());
        return kExitFailed;
    }
    if (header.ownStation < 0) {
        std::fprintf(stderr, "ravel play: %s: the recording board owned no station; nothing to play\n", path.c_str());
        return kExitFailed;
    }
    const int first = header.ownStation;
    const int last = header.ownStation + header.ownSize - 1;

    Board board(call.board);
    ConnectInfo info;
    if (!openBoard(board, call) || !board.connectInfo(info))
        return kExitFailed;
    if (!info.ownsStations() || first < info.station || last >= info.station + info.size) {
        std::fprintf(
            stderr, "ravel play: board %d does not own stations %d-%d (it %s)\n", call.board, first, last,
            info.ownsStations()
                ? ("owns " + std::to_string(info.station) + "-" + std::to_string(info.station + info.size - 1)).c_str()
                : "is not running");
        return kExitFailed;
    }
    const auto begin = std::chrono::steady_clock::now();
    int played = 0;
    for (const TraceEvent& event : events) {
        if (event.kind != TraceEvent::Kind::Gm || event.station < first || event.station > last)
            continue;
        const auto due =
            begin + std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::duration<double>(event.seconds));
        const auto now = std::chrono::steady_clock::now();
        if (due > now && !pause(std::chrono::duration_cast<std::chrono::microseconds>(due - now)))
            break;
        std::int16_t words[mky43::kBlockWords];
        for (std::size_t w = 0; w < mky43::kBlockWords; ++w)
            words[w] = static_cast<std::int16_t>(event.words[w]);
        if (!succeeded(RV_SetMemShort(call.board, 0, words, event.station, 0, mky43::kBlockWords),
                       "RV_SetMemShort(board " + std::to_string(call.board) + ")"))
            return kExitFailed;
        ++played;
    }
    std::fprintf(stderr, "ravel play: %d GM values of stations %d-%d written%s\n", played, first, last,
                 stopRequested() ? " (stopped)" : "");
    return kExitOk;
}

}  // namespace ravel
