#include "tools/ravel/StopFlag.h"

#include <csignal>
#include <ctime>

namespace ravel {

namespace {

volatile std::sig_atomic_t gStop = 0;

void onStopSignal(int) {
    gStop = 1;
}

}  // namespace

void installStopHandlers() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

bool stopRequested() {
    return gStop != 0;
}

void requestStop() {
    gStop = 1;
}

bool pause(std::chrono::microseconds duration) {
    // Short steps: a signal that lands just before the sleep is seen soon.
    constexpr std::chrono::microseconds kStep{20000};
    while (duration.count() > 0 && !stopRequested()) {
        std::chrono::microseconds step = duration < kStep ? duration : kStep;
        timespec wait{static_cast<time_t>(step.count() / 1000000), static_cast<long>(step.count() % 1000000) * 1000};
        nanosleep(&wait, nullptr);
        duration -= step;
    }
    return !stopRequested();
}

}  // namespace ravel
