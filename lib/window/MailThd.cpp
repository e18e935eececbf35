#include "lib/window/MailThd.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

#include "chip/Mky43.h"
#include "lib/Ravlib.h"
#include "lib/os/ChipAccess.h"
#include "lib/sync/EvntCtrl.h"

namespace ravlib {

namespace {

constexpr auto kCycle = std::chrono::milliseconds(10);
constexpr uint16_t kSendSeen = 4;

enum MailEvent { kMailRecv1, kMailRecv2, kMailSendResult, kMailClose, kMailError };

// MESR bits 0, 1, 2 and 5 as status bits 0x0002..0x0010.
uint16_t errorBits(uint16_t mesr) {
    uint16_t bits = 0;
    if (mesr & mky43::kMesrNoStation)
        bits |= 0x0002;
    if (mesr & mky43::kMesrNoBuffer)
        bits |= 0x0004;
    if (mesr & mky43::kMesrNotRunning)
        bits |= 0x0008;
    if (mesr & mky43::kMesrBadLength)
        bits |= 0x0010;
    return bits;
}

// Bit n set when receive buffer n holds a mail.
uint16_t receivedBits(uint16_t mr0cr, uint16_t mr1cr) {
    return ((mr0cr & mky43::kMrcrReceived) ? 1 : 0) | ((mr1cr & mky43::kMrcrReceived) ? 2 : 0);
}

}  // namespace

MailThd::~MailThd() {
    awaitRunEnd();
    stop(0);
    awaitThreads();
}

void MailThd::run() {
    running_.store(1, std::memory_order_release);
    while (terminate() == 0) {
        std::this_thread::sleep_for(kCycle);
        if (mailOpen() == 1)
            poll();
    }
    running_.store(0, std::memory_order_release);
}

void MailThd::poll() {
    std::lock_guard lock(chipLock_);
    if (std::uint8_t* base = gmBase())
        pollLocked(base);
}

void MailThd::pollLocked(std::uint8_t* base) {
    const uint16_t mesr = os::read16(base, mky43::MESR);
    const uint16_t mscr = os::read16(base, mky43::MSCR);
    const uint16_t mr0cr = os::read16(base, mky43::MR0CR);
    const uint16_t mr1cr = os::read16(base, mky43::MR1CR);

    uint16_t status = errorBits(mesr);
    const uint16_t holding = mky43::kMrcrArmed | mky43::kMrcrReceived;
    const bool anyArmed = (mr0cr & holding) || (mr1cr & holding);
    if (!anyArmed)
        status |= kNoBuffer;
    const uint16_t received = receivedBits(mr0cr, mr1cr);
    if (received)
        status |= kMailWaiting;
    const bool sending = (mscr & mky43::kMscrSending) != 0;
    if (mailStatus() & kSent)
        status |= kSent;

    const std::shared_ptr<EvntCtrl> events = this->events();
    if (sendState_ == kSendSeen && !sending) {
        mailStatus_.store(status | kSent, std::memory_order_release);
        if (events)
            events->set(kMailSendResult);
    } else {
        mailStatus_.store(status, std::memory_order_release);
    }
    sendState_ = sending ? kSendSeen : 0;
    offerFrom(received);

    if (events) {
        if (!(rxPrev_ & 1) && (received & 1))
            events->set(kMailRecv1);
        else if (!(rxPrev_ & 2) && (received & 2))
            events->set(kMailRecv2);
        if (!anyArmed)
            events->set(kMailError);
    }
    rxPrev_ = received;
}

void MailThd::offerFrom(uint16_t received) {
    switch (received) {
    case 3:
        if (rxBuffer_ == 0)
            rxBuffer_ = 1;
        break;
    case 1: rxBuffer_ = 1; break;
    case 2: rxBuffer_ = 2; break;
    default: rxBuffer_ = 0; break;
    }
}

template <class Sequence>
int32_t MailThd::onOpenChip(Sequence&& sequence) {
    std::lock_guard lock(chipLock_);
    std::uint8_t* base = gmBase();
    if (!base)
        return MKY43_ER_UNCONNECT;
    if (mailOpen() == 0)
        return MKY43_ER_MAILNOTOPEN;
    return sequence(base);
}

int32_t MailThd::send(int32_t stationAdr, const int16_t* data, int32_t length) {
    return onOpenChip([&](std::uint8_t* base) { return sendLocked(base, stationAdr, data, length); });
}

int32_t MailThd::sendLocked(std::uint8_t* base, int32_t stationAdr, const int16_t* data, int32_t length) {
    if (os::read16(base, mky43::MSCR) & mky43::kMscrSending)
        return MKY43_ER_MAILSENDING;
    if (length % 2 != 0)
        return MKY43_ER_MAILSIZE;
    mailStatus_.store(mailStatus() & kMailWaiting, std::memory_order_release);
    os::write16(base, mky43::SSR, mky43::kSsrMail);
    os::write16(base, mky43::MESR, 0);
    os::write16(base, mky43::MSLR, mky43::kMslrSendLimit);
    for (int32_t word = 0; word < length / 2; ++word)
        os::write16(base, mky43::kMailSendBuffer + 2 * word, static_cast<uint16_t>(data[word]));
    const int32_t units = (length - 1) / static_cast<int32_t>(mky43::kMailUnitBytes) + 1;
    os::write16(base, mky43::MSCR, static_cast<uint16_t>(stationAdr * 256 + units + mky43::kMscrSending));
    // Counted as under way from here: a send that ends before the next poll
    // (refused off the bus, or simply fast) still gets its send result.
    sendState_ = kSendSeen;
    return MKY43_ER_OK;
}

// The buffer read is armed again at once; the offer is then worked out
// afresh, so a second receive before the next poll cannot take the emptied
// buffer for a mail, and a mail landing in it before that poll still sets
// its event.
int32_t MailThd::receive(int16_t* data, int32_t length, int32_t* sourceAdr) {
    return onOpenChip([&](std::uint8_t* base) { return receiveLocked(base, data, length, sourceAdr); });
}

int32_t MailThd::receiveLocked(std::uint8_t* base, int16_t* data, int32_t length, int32_t* sourceAdr) {
    if (rxBuffer_ == 0)
        return MKY43_ER_MAILNOTRECEIVE;
    if (rxBuffer_ != 1 && rxBuffer_ != 2)
        return MKY43_ER_OTHER;
    const int buffer = rxBuffer_ - 1;
    const uint16_t control = os::read16(base, mky43::kMailReceiveControls[buffer]);
    if (!(control & mky43::kMrcrReceived)) {
        // Emptied since the last poll (the driver clears and re-arms the
        // receive buffers when communication stops or starts): nothing to take.
        offerFrom(receivedBits(os::read16(base, mky43::MR0CR), os::read16(base, mky43::MR1CR)));
        return MKY43_ER_MAILNOTRECEIVE;
    }
    *sourceAdr = (control & mky43::kMrcrStationMask) >> 8;
    const int32_t received = (control & mky43::kMrcrUnitsMask) * mky43::kMailUnitBytes;
    const int32_t words = std::min(received, length) / 2;
    for (int32_t word = 0; word < words; ++word)
        data[word] = static_cast<int16_t>(os::read16(base, mky43::kMailReceiveBuffers[buffer] + 2 * word));
    armLocked(base, buffer, true);
    rxPrev_ = static_cast<uint16_t>(rxPrev_ & ~(1u << buffer));
    offerFrom(receivedBits(os::read16(base, mky43::MR0CR), os::read16(base, mky43::MR1CR)));
    return MKY43_ER_OK;
}

int32_t MailThd::arm(int buffer, bool armed) {
    return onOpenChip([&](std::uint8_t* base) { return armLocked(base, buffer, armed); });
}

int32_t MailThd::armLocked(std::uint8_t* base, int buffer, bool armed) {
    os::write16(base, mky43::SSR, mky43::kSsrMail);
    os::write16(base, mky43::MESR, 0);
    os::write16(base, mky43::kMailReceiveControls[buffer], armed ? mky43::kMrcrArmed : 0);
    return MKY43_ER_OK;
}

void MailThd::setGmBase(std::uint8_t* gmBase) {
    std::lock_guard lock(chipLock_);
    gmBase_.store(gmBase, std::memory_order_release);
}

int32_t MailThd::rxBuffer() const {
    std::lock_guard lock(chipLock_);
    return rxBuffer_;
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
        std::this_thread::sleep_for(kCycle);
        if (running() == 0)
            return;
    }
}

}  // namespace ravlib
