// Mail round trips through the echo station of a ravkernd child, noticed by
// status polls or by the wait, and the CPU a board costs while mail idles.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "chip/Mky43.h"
#include "lib/Ravlib.h"
#include "lib/exports/LibraryLoad.h"
#include "tests/support/HostProcess.h"
#include "tests/support/Sandbox.h"
#include "tests/support/Watchdog.h"

namespace {

constexpr int kEchoStation = 20;
constexpr int32_t kMailBytes = 256;
constexpr int16_t kSendErrors = 0x001E;
constexpr int16_t kMailWaits = 0x0100;
constexpr auto kGiveUp = std::chrono::seconds(10);
// The host's own mail time: no --mail-min-us on its command line.
constexpr int kHostDefault = 0;

using Mail = std::array<int16_t, kMailBytes / 2>;

// The demo network with the given shortest mail time, and the library
// attached in a private directory; no RavlibLog.ini, so logging is off.
class Network {
public:
    explicit Network(int mailMinUs) : mailMinUs_(mailMinUs) {
        std::vector<std::string> args{"--board", "0", "--station", "10:2:counter", "--station", "20:1:echo"};
        if (mailMinUs != kHostDefault) {
            args.push_back("--mail-min-us");
            args.push_back(std::to_string(mailMinUs));
        }
        host_.spawn(args);
        ok_ = host_.waitReady() && ravlib::processAttach();
    }
    ~Network() {
        if (ok_)
            ravlib::processDetach();
    }
    bool ok() const { return ok_; }
    int mailMinUs() const { return mailMinUs_; }

private:
    int mailMinUs_;
    ravtest::Sandbox box_;
    ravtest::HostProcess host_;
    bool ok_ = false;
};

std::unique_ptr<Network> theNetwork;

// The network for `mailMinUs`, started afresh only when the mail time changes.
Network& network(int mailMinUs) {
    if (!theNetwork || theNetwork->mailMinUs() != mailMinUs) {
        theNetwork.reset();
        theNetwork = std::make_unique<Network>(mailMinUs);
    }
    return *theNetwork;
}

// Board 0 opened and started for one benchmark, so that events left over from
// an earlier one cannot answer its waits; closed again at the end.
class StartedBoard {
public:
    StartedBoard(benchmark::State& state, int mailMinUs, bool mail) {
        if (!network(mailMinUs).ok()) {
            state.SkipWithError("no host: ravkernd did not start or the library did not attach");
            return;
        }
        open_ = RV_open(0) == MKY43_ER_OK;
        if (!open_ || RV_start(0, 0, 1, 2, 0) != MKY43_ER_OK) {
            state.SkipWithError("no board: board 0 did not open or start");
            return;
        }
        if (mail && RV_MailOpen(0, 0) != MKY43_ER_OK) {
            state.SkipWithError("mail of board 0 did not open");
            return;
        }
        // RV_start may return before the board runs on the bus, and a mail
        // sent then ends with the off-bus error.
        if (!onBus()) {
            state.SkipWithError("board 0 did not join the bus within 2 s");
            return;
        }
        ok_ = true;
    }
    ~StartedBoard() {
        if (open_)
            RV_close(0);
    }
    StartedBoard(const StartedBoard&) = delete;
    StartedBoard& operator=(const StartedBoard&) = delete;
    bool ok() const { return ok_; }

private:
    static bool onBus() {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < end) {
            uint16_t scr = 0;
            if (RV_GetReg16(0, 0, mky43::SCR, &scr) == MKY43_ER_OK && (scr & mky43::kScrRunning))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    bool open_ = false;
    bool ok_ = false;
};

std::string hex(int16_t status) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(static_cast<uint16_t>(status)));
    return text;
}

// Mail `n`: its number in the first word, the rest telling number and place.
Mail numbered(int n) {
    Mail words;
    words[0] = static_cast<int16_t>(n);
    for (std::size_t i = 1; i < words.size(); ++i)
        words[i] = static_cast<int16_t>(n * 131 + static_cast<int>(i));
    return words;
}

// Asks RV_MailStatus until a mail waits; "" then, else what went wrong. A
// short sleep between asks leaves the cores to the host and the mail thread.
std::string pollForMail() {
    const auto end = std::chrono::steady_clock::now() + kGiveUp;
    while (std::chrono::steady_clock::now() < end) {
        int16_t status = 0;
        if (const int32_t result = RV_MailStatus(0, 0, &status); result != MKY43_ER_OK)
            return "RV_MailStatus answered " + std::to_string(result);
        if (status & kMailWaits)
            return "";
        // The send cleared the error bits, so any now set are its own.
        if (status & kSendErrors)
            return "the send failed, status " + hex(status);
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    return "no mail came back within 10 s";
}

// Waits until the wait reports a received mail, passing over the results
// of sends that went well.
std::string waitForMail(ravtest::Watchdog& guard) {
    for (int i = 0; i < 8; ++i) {
        int16_t status = 0;
        guard.arm(kGiveUp);
        const int32_t result = RV_MailWaitObject(0, 0, &status);
        guard.disarm();
        if (result == MKY43_ER_MAILRECEIVE)
            return "";
        if (result == MKY43_ER_MAILCLOSE)
            return "no mail came back within 10 s";
        if (result != MKY43_ER_MAILSENDRESULT)
            return "RV_MailWaitObject answered " + std::to_string(result);
        if (status & kSendErrors)
            return "the send failed, status " + hex(status);
    }
    return "RV_MailWaitObject gave only send results";
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(values.size())));
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

enum class Notice { StatusPoll, Wait };

void RoundTrip(benchmark::State& state, Notice notice, int mailMinUs) {
    StartedBoard board(state, mailMinUs, true);
    if (!board.ok())
        return;
    // A mail that never comes: closing the board ends the wait with 25.
    ravtest::Watchdog guard([] { RV_close(0); });
    std::vector<double> trips;
    trips.reserve(static_cast<std::size_t>(state.max_iterations));
    int n = 0;
    for (auto _ : state) {
        const Mail sent = numbered(n);
        const auto begin = std::chrono::steady_clock::now();
        if (const int32_t result = RV_MailSend(0, 0, kEchoStation, sent.data(), kMailBytes); result != MKY43_ER_OK) {
            state.SkipWithError(("RV_MailSend answered " + std::to_string(result)).c_str());
            break;
        }
        if (const std::string error = notice == Notice::StatusPoll ? pollForMail() : waitForMail(guard);
            !error.empty()) {
            state.SkipWithError(("mail " + std::to_string(n) + ": " + error).c_str());
            break;
        }
        Mail got{};
        int32_t source = -1;
        const int32_t result = RV_MailReceive(0, 0, got.data(), kMailBytes, &source);
        trips.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
        if (result != MKY43_ER_OK) {
            state.SkipWithError(
                ("mail " + std::to_string(n) + ": RV_MailReceive answered " + std::to_string(result)).c_str());
            break;
        }
        if (source != kEchoStation || got != sent) {
            state.SkipWithError(("mail " + std::to_string(n) + " came back from station " + std::to_string(source) +
                                 (got[0] == sent[0] ? " changed" : " as mail " + std::to_string(got[0])))
                                    .c_str());
            break;
        }
        ++n;
    }
    if (trips.empty())
        return;
    state.counters["median_ms"] = percentile(trips, 0.5);
    state.counters["p99_ms"] = percentile(trips, 0.99);
    state.counters["exchanges_per_s"] =
        benchmark::Counter(static_cast<double>(trips.size()), benchmark::Counter::kIsRate);
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// This process's CPU time over idle wall time: the library's threads are all
// that run while the benchmark sleeps.
void IdleCpu(benchmark::State& state, bool mail) {
    StartedBoard board(state, kHostDefault, mail);
    if (!board.ok())
        return;
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double cpuBegin = processCpuSeconds();
        const auto wallBegin = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(2));
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBegin).count();
        cpu += processCpuSeconds() - cpuBegin;
    }
    state.counters["cpu_share_percent"] = 100.0 * cpu / wall;
}

void registerAll() {
    const int mailTimes[] = {kHostDefault, 200};
    const struct {
        const char* name;
        Notice notice;
    } notices[] = {{"StatusPoll", Notice::StatusPoll}, {"Wait", Notice::Wait}};
    // Grouped by mail time, so each host starts once.
    for (const int mailMinUs : mailTimes) {
        const std::string time =
            mailMinUs == kHostDefault ? "host_default" : "mail_min_us:" + std::to_string(mailMinUs);
        for (const auto& notice : notices)
            benchmark::RegisterBenchmark(("MailRoundTrip/" + std::string(notice.name) + "/" + time).c_str(), RoundTrip,
                                         notice.notice, mailMinUs)
                ->Iterations(mailMinUs == kHostDefault ? 100 : 300)
                ->UseRealTime()
                ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("IdleCpu/mail_open", IdleCpu, true)
        ->Iterations(1)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("IdleCpu/mail_closed", IdleCpu, false)
        ->Iterations(1)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    theNetwork.reset();
    return 0;
}
