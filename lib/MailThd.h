// The mail thread of one board line: it lives from board open to board
// close and wakes every 10 ms; it carries the line's chip window address and
// its mail event set for the mail polling that runs on it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "lib/ThrdCtrl.h"

namespace ravlib {

class EvntCtrl;

class MailThd : public ThrdCtrl {
public:
    MailThd() = default;
    // Gives the thread up to 5 × 10 ms to leave its loop, asks it to stop
    // and waits for its end before the members go.
    ~MailThd() override;

    void run() override;

    // 1 while run executes.
    int32_t running() const { return running_.load(std::memory_order_acquire); }

    void setGmBase(std::uint8_t* gmBase) { gmBase_.store(gmBase, std::memory_order_release); }
    std::uint8_t* gmBase() const { return gmBase_.load(std::memory_order_acquire); }

    // The line's event set; the thread keeps it alive while it holds it.
    void setEvents(std::shared_ptr<EvntCtrl> events);
    std::shared_ptr<EvntCtrl> events() const;

    // Up to `rounds` sleeps of 10 ms, ending early once run has returned.
    void awaitRunEnd(int rounds = 5) const;

private:
    std::atomic<int32_t> running_{0};
    std::atomic<std::uint8_t*> gmBase_{nullptr};
    mutable std::mutex eventsLock_;
    std::shared_ptr<EvntCtrl> events_;
};

}  // namespace ravlib
