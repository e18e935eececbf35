// ravel mail send / mail listen: one mail out, or every mail in.
#include "tools/ravel/Commands.h"
#include "tools/ravel/MailPort.h"
#include "tools/ravel/Numbers.h"
#include "tools/ravel/StopFlag.h"
#include "tools/ravel/Trace.h"

#include "chip/Mky43.h"

#include <chrono>
#include <fstream>
#include <iterator>

namespace ravel {

namespace {

// The library's own mail poll runs every 10 ms: looking more often finds
// nothing sooner.
constexpr std::chrono::milliseconds kListenPoll{10};
constexpr std::chrono::milliseconds kSendLimit{2000};

std::optional<std::vector<std::uint8_t>> mailData(const std::string& text, std::string& why) {
    if (text.empty() || text[0] != '@') {
        auto bytes = parseHexBytes(text);
        if (!bytes)
            why = "DATA is hex bytes such as \"01 02\" or 0102, not " + text;
        return bytes;
    }
    std::ifstream in(text.substr(1), std::ios::binary);
    if (!in) {
        why = "cannot read " + text.substr(1);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes;
}

}  // namespace

int runMailSend(const Invocation& call) {
    auto station = parseInteger(call.args.positional()[0], 0, mky43::kStations - 1);
    if (!station)
        return call.usageError("SA is 0..63, not " + call.args.positional()[0]);
    std::string why;
    auto bytes = mailData(call.args.positional()[1], why);
    if (!bytes)
        return call.usageError(why);
    if (bytes->size() < 2 || bytes->size() > mky43::kMailBufferBytes || bytes->size() % 2)
        return call.usageError("a mail is 2..256 bytes, an even number; this is " + std::to_string(bytes->size()));
    Board board(call.board);
    if (!openBoard(board, call))
        return kExitFailed;
    MailPort mail(call.board);
    if (!mail.open())
        return kExitFailed;
    switch (mail.send(static_cast<int>(*station), *bytes, kSendLimit, why)) {
    case SendOutcome::Delivered: return kExitOk;
    case SendOutcome::Refused:
    case SendOutcome::TimedOut:
        std::fprintf(stderr, "ravel: mail to station %d not delivered: %s\n", static_cast<int>(*station), why.c_str());
        return kExitFailed;
    case SendOutcome::Stopped:
    case SendOutcome::Failed: break;
    }
    return kExitFailed;
}

int runMailListen(const Invocation& call) {
    Board board(call.board);
    if (!openBoard(board, call))
        return kExitFailed;
    MailPort mail(call.board);
    if (!mail.open())
        return kExitFailed;
    const auto begin = std::chrono::steady_clock::now();
    while (!stopRequested()) {
        bool failed = false;
        std::optional<ArrivedMail> arrived = mail.take(failed);
        if (failed)
            return kExitFailed;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        if (arrived) {
            TraceEvent event;
            event.seconds = seconds;
            event.kind = TraceEvent::Kind::Mail;
            event.station = arrived->source;
            event.mail = std::move(arrived->data);
            if (!writeLine(stdout, formatEvent(event, call.json)))
                break;
            continue;  // the other buffer may hold one more
        }
        if (call.forSeconds && seconds >= *call.forSeconds)
            break;
        pause(kListenPoll);
    }
    return kExitOk;
}

}  // namespace ravel
