// ravel mail ping: round trips through an echo station, timed and checked.
#include "tools/ravel/Commands.h"
#include "tools/ravel/MailPort.h"
#include "tools/ravel/Numbers.h"
#include "tools/ravel/RoundTrips.h"
#include "tools/ravel/StopFlag.h"

#include "chip/Mky43.h"

#include <chrono>
#include <cstdio>

namespace ravel {

namespace {

// Replies are looked for this often: the round trip's resolution.
constexpr std::chrono::microseconds kReplyPoll{200};

struct PingOptions {
    int station = 0;
    long count = 0;  // 0: until Ctrl-C
    std::size_t size = 16;
    std::chrono::microseconds interval{1000000};
    std::chrono::microseconds timeout{1000000};
    bool quiet = false;
};

// The payload of round trip `sequence`: the sequence number, then bytes
// that differ from one round trip to the next.
std::vector<std::uint8_t> payload(std::uint16_t sequence, std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    bytes[0] = static_cast<std::uint8_t>(sequence);
    bytes[1] = static_cast<std::uint8_t>(sequence >> 8);
    for (std::size_t i = 2; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(sequence * 31u + i * 7u);
    return bytes;
}

std::optional<std::chrono::microseconds> microseconds(const Invocation& call, const char* name, double max) {
    auto text = call.args.value(name);
    auto seconds = text ? parseSeconds(*text, max) : std::nullopt;
    if (!seconds)
        return std::nullopt;
    return std::chrono::microseconds(static_cast<long long>(*seconds * 1e6));
}

int parseOptions(const Invocation& call, PingOptions& options) {
    auto station = parseInteger(call.args.positional()[0], 0, mky43::kStations - 1);
    if (!station)
        return call.usageError("SA is 0..63, not " + call.args.positional()[0]);
    options.station = static_cast<int>(*station);
    if (auto text = call.args.value("count")) {
        auto count = parseInteger(*text, 1, 100000000);
        if (!count)
            return call.usageError("-c takes a count of 1 or more, not " + *text);
        options.count = static_cast<long>(*count);
    }
    if (auto text = call.args.value("size")) {
        auto size = parseInteger(*text, 2, mky43::kMailBufferBytes);
        if (!size || *size % 2)
            return call.usageError("-s takes 2..256 bytes, an even number, not " + *text);
        options.size = static_cast<std::size_t>(*size);
    }
    if (call.args.has("interval")) {
        auto interval = microseconds(call, "interval", 3600);
        if (!interval)
            return call.usageError("-i takes seconds, 0..3600");
        options.interval = *interval;
    }
    if (call.args.has("timeout")) {
        auto timeout = microseconds(call, "timeout", 3600);
        if (!timeout || timeout->count() == 0)
            return call.usageError("-W takes seconds, more than 0 and at most 3600");
        options.timeout = *timeout;
    }
    options.quiet = call.args.has("quiet") || call.json;
    return kExitOk;
}

enum class Reply { Intact, Corrupted, Lost, Stopped, Failed };

// Waits for the reply to `sent`; mail from elsewhere and late replies to
// earlier round trips are passed over.
Reply awaitReply(MailPort& mail, const PingOptions& options, const std::vector<std::uint8_t>& sent,
                 std::chrono::steady_clock::time_point deadline, std::size_t& badByte) {
    while (std::chrono::steady_clock::now() < deadline) {
        bool failed = false;
        std::optional<ArrivedMail> arrived = mail.take(failed);
        if (failed)
            return Reply::Failed;
        if (!arrived) {
            if (!pause(kReplyPoll))
                return Reply::Stopped;
            continue;
        }
        if (arrived->source != options.station || arrived->data.size() < 2 ||
            (arrived->data[0] != sent[0] || arrived->data[1] != sent[1]))
            continue;
        for (badByte = 2; badByte < sent.size(); ++badByte)
            if (badByte >= arrived->data.size() || arrived->data[badByte] != sent[badByte])
                return Reply::Corrupted;
        return Reply::Intact;
    }
    return Reply::Lost;
}

void say(const PingOptions& options, const char* format, auto... values) {
    if (options.quiet)
        return;
    std::printf(format, values...);
    std::fflush(stdout);
}

}  // namespace

int runMailPing(const Invocation& call) {
    PingOptions options;
    if (int status = parseOptions(call, options); status != kExitOk)
        return status;
    Board board(call.board);
    if (!openBoard(board, call))
        return kExitFailed;
    MailPort mail(call.board);
    if (!mail.open())
        return kExitFailed;
    RoundTrips tally;
    bool failed = false;
    say(options, "MAIL PING station %d: %zu bytes\n", options.station, options.size);
    for (long n = 1; !stopRequested() && (options.count == 0 || n <= options.count); ++n) {
        const auto sequence = static_cast<std::uint16_t>(n);
        const std::vector<std::uint8_t> bytes = payload(sequence, options.size);
        const auto begin = std::chrono::steady_clock::now();
        std::string why;
        SendOutcome outcome = mail.send(options.station, bytes,
                                        std::chrono::duration_cast<std::chrono::milliseconds>(options.timeout), why);
        if (outcome == SendOutcome::Stopped)
            break;
        if (outcome == SendOutcome::Failed) {
            failed = true;
            break;
        }
        tally.sent();
        std::size_t badByte = 0;
        Reply reply = outcome == SendOutcome::Delivered
                          ? awaitReply(mail, options, bytes, begin + options.timeout, badByte)
                          : Reply::Lost;
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
        if (reply == Reply::Stopped)
            break;
        if (reply == Reply::Failed) {
            failed = true;
            break;
        }
        if (reply == Reply::Intact) {
            tally.received(ms);
            say(options, "%zu bytes from station %d: seq=%ld time=%.3f ms\n", options.size, options.station, n, ms);
        } else if (reply == Reply::Corrupted) {
            tally.corrupted();
            say(options, "station %d: seq=%ld corrupted (byte %zu differs)\n", options.station, n, badByte);
        } else if (outcome == SendOutcome::Delivered) {
            say(options, "station %d: seq=%ld lost (no reply within %.3f s)\n", options.station, n,
                static_cast<double>(options.timeout.count()) / 1e6);
        } else {
            say(options, "station %d: seq=%ld lost (%s)\n", options.station, n, why.c_str());
        }
        if (options.count != 0 && n == options.count)
            break;
        pause(options.interval);
    }
    std::string summary = call.json ? tally.summaryJson(options.station) : tally.summary(options.station);
    std::fputs(summary.c_str(), stdout);
    std::fflush(stdout);
    if (failed)
        return kExitFailed;
    return tally.sentCount() > 0 && tally.receivedCount() == tally.sentCount() ? kExitOk : kExitFailed;
}

}  // namespace ravel
