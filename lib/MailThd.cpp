#include "lib/MailThd.h"

#include <chrono>
#include <thread>
#include <utility>

#include "lib/EvntCtrl.h"

namespace ravlib {

namespace {
constexpr auto CYCLE = std::chrono::milliseconds(10);
}

MailThd::~MailThd() {
    awaitRunEnd();
    stop(0);
    awaitThreads();
}

// The cycle the mail polling runs in; while no mail is open it only sleeps.
void MailThd::run() {
    running_.store(1, std::memory_order_release);
    while (terminate() == 0)
        std::this_thread::sleep_for(CYCLE);
    running_.store(0, std::memory_order_release);
}

void MailThd::setEvents(std::shared_ptr<EvntCtrl> events) {
    std::shared_ptr<EvntCtrl> old;
    std::lock_guard lock(eventsLock_);
    old = std::exchange(events_, std::move(events));
}

std::shared_ptr<EvntCtrl> MailThd::events() const {
    std::lock_guard lock(eventsLock_);
    return events_;
}

void MailThd::awaitRunEnd(int rounds) const {
    for (int i = 0; i < rounds; ++i) {
        std::this_thread::sleep_for(CYCLE);
        if (running() == 0)
            return;
    }
}

}  // namespace ravlib
