// ravel dump: the bus as this board sees it, recorded as a trace.
#include "tools/ravel/Commands.h"
#include "tools/ravel/MailPort.h"
#include "tools/ravel/Numbers.h"
#include "tools/ravel/ReturnCode.h"
#include "tools/ravel/StopFlag.h"
#include "tools/ravel/Trace.h"

#include "lib/Ravlib.h"

#include <chrono>
#include <cstdio>
#include <memory>

namespace ravel {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// The first state against an empty bus, and the own stations' blocks even
// when they are zero: a replay starts from them.
bool writeFirstState(std::FILE* out, const BusState& state, const ConnectInfo& info, bool json) {
    BusState empty;
    for (int s = info.station; info.ownsStations() && s < info.station + info.size; ++s)
        empty.gm[static_cast<std::size_t>(s)][0] =
            static_cast<std::uint16_t>(~state.gm[static_cast<std::size_t>(s)][0]);
    for (const BusChange& change : changesBetween(empty, state))
        if (!writeLine(out, formatEvent(eventFrom(change, 0), json)))
            return false;
    return true;
}

}  // namespace

int runDump(const Invocation& call) {
    std::chrono::microseconds interval{10000};
    if (auto text = call.args.value("interval")) {
        auto seconds = parseSeconds(*text, 60);
        if (!seconds || *seconds < 0.001)
            return call.usageError("-i takes seconds, 0.001..60, not " + *text);
        interval = std::chrono::microseconds(static_cast<long long>(*seconds * 1e6));
    }
    std::unique_ptr<std::FILE, FileCloser> file;
    if (auto path = call.args.value("log")) {
        file.reset(std::fopen(path->c_str(), "w"));
        if (!file) {
            std::fprintf(stderr, "ravel dump: cannot write %s\n", path->c_str());
            return kExitFailed;
        }
    }
    std::FILE* out = file ? file.get() : stdout;

    Board board(call.board);
    ConnectInfo info;
    if (!openBoard(board, call) || !board.connectInfo(info))
        return kExitFailed;
    MailPort mail(call.board);
    const std::int32_t mailCode = mail.tryOpen();

    TraceHeader header;
    header.board = call.board;
    header.started = utcNow();
    if (info.ownsStations()) {
        header.ownStation = info.station;
        header.ownSize = info.size;
    }
    if (!writeLine(out, formatHeader(header, call.json)))
        return kExitFailed;
    if (mailCode != MKY43_ER_OK && !call.json &&
        !writeLine(out, "# mail not recorded: " + std::string(returnCodeName(mailCode))))
        return kExitFailed;

    const auto begin = std::chrono::steady_clock::now();
    auto next = begin;
    BusState previous;
    bool first = true;
    while (!stopRequested()) {
        BusState state;
        if (!readBusState(call.board, state))
            return kExitFailed;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        if (first) {
            if (!writeFirstState(out, state, info, call.json))
                break;
            first = false;
        } else {
            for (const BusChange& change : changesBetween(previous, state))
                if (!writeLine(out, formatEvent(eventFrom(change, seconds), call.json)))
                    break;
        }
        previous = state;
        for (bool failed = false; mailCode == MKY43_ER_OK && !stopRequested();) {
            std::optional<ArrivedMail> arrived = mail.take(failed);
            if (failed)
                return kExitFailed;
            if (!arrived)
                break;
            TraceEvent event;
            event.seconds = seconds;
            event.kind = TraceEvent::Kind::Mail;
            event.station = arrived->source;
            event.mail = std::move(arrived->data);
            writeLine(out, formatEvent(event, call.json));
        }
        if (call.forSeconds && seconds >= *call.forSeconds)
            break;
        next += interval;
        auto now = std::chrono::steady_clock::now();
        if (next < now)
            next = now;
        pause(std::chrono::duration_cast<std::chrono::microseconds>(next - now));
    }
    return kExitOk;
}

}  // namespace ravel
