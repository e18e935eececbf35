// The mail thread of one board line and the line's mail state: every 10 ms,
// while mail is open, it polls the chip's mail registers into the status
// word, the offer of the next mail to read and the line's mail events.
// Every chip sequence of the line's mail (poll, send, receive, arm) runs
// under the thread's lock, so none interleaves with another.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "lib/sync/ThrdCtrl.h"

namespace ravlib {

class EvntCtrl;

class MailThd : public ThrdCtrl {
public:
    // Mail status word bits.
    static constexpr uint16_t kSent = 0x0001;
    static constexpr uint16_t kNoBuffer = 0x0020;
    static constexpr uint16_t kMailWaiting = 0x0100;

    MailThd() = default;
    // Gives the thread up to 5 × 10 ms to leave its loop, asks it to stop
    // and waits for its end before the members go.
    ~MailThd() override;

    void run() override;
    // One status step on the calling thread.
    void poll();

    // 1 while run executes.
    int32_t running() const { return running_.load(std::memory_order_acquire); }
    int32_t mailOpen() const { return mailOpen_.load(std::memory_order_acquire); }
    void setMailOpen(int32_t open) { mailOpen_.store(open, std::memory_order_release); }
    uint16_t mailStatus() const { return mailStatus_.load(std::memory_order_acquire); }

    // Once this returns no chip sequence of the line uses the old address,
    // so the window it named may be unmapped.
    void setGmBase(std::uint8_t* gmBase);
    std::uint8_t* gmBase() const { return gmBase_.load(std::memory_order_acquire); }

    // The line's event set; the thread keeps it alive while it holds it.
    void setEvents(std::shared_ptr<EvntCtrl> events);
    std::shared_ptr<EvntCtrl> events() const;

    // Up to `rounds` sleeps of 10 ms, ending early once run has returned.
    void awaitRunEnd(int rounds = 5) const;

    // The chip sequences of the exports; each answers a return code.
    int32_t send(int32_t stationAdr, const int16_t* data, int32_t length);
    int32_t receive(int16_t* data, int32_t length, int32_t* sourceAdr);
    // Arms (or disarms) receive buffer 0 or 1.
    int32_t arm(int buffer, bool armed);

    // The buffer offered to the next receive: 0 none, 1 or 2.
    int32_t rxBuffer() const;

private:
    // Runs a chip sequence under the lock once the line has a window and
    // open mail; 16 or 19 otherwise.
    template <class Sequence>
    int32_t onOpenChip(Sequence&& sequence);
    void pollLocked(std::uint8_t* base);
    int32_t sendLocked(std::uint8_t* base, int32_t stationAdr, const int16_t* data, int32_t length);
    int32_t receiveLocked(std::uint8_t* base, int16_t* data, int32_t length, int32_t* sourceAdr);
    int32_t armLocked(std::uint8_t* base, int buffer, bool armed);
    // The offer from both receive registers: the buffer already offered
    // stays offered while both hold mail.
    void offerFrom(uint16_t received);

    std::atomic<int32_t> running_{0};
    std::atomic<int32_t> mailOpen_{0};
    std::atomic<uint16_t> mailStatus_{0};
    std::atomic<std::uint8_t*> gmBase_{nullptr};

    mutable std::mutex chipLock_;  // guards the fields below and the mail registers
    int32_t rxBuffer_ = 0;
    uint16_t sendState_ = 0;
    uint16_t rxPrev_ = 0;

    mutable std::mutex eventsLock_;
    std::shared_ptr<EvntCtrl> events_;
};

}  // namespace ravlib
