#include "sim/RemoteStation.h"

#include "chip/Mky43.h"
#include "sim/StationRange.h"

namespace ravsim {

std::optional<StationRole> parseStationRole(std::string_view text) {
    if (text == "counter")
        return StationRole::Counter;
    if (text == "echo")
        return StationRole::Echo;
    if (text == "idle")
        return StationRole::Idle;
    return std::nullopt;
}

const char* stationRoleName(StationRole role) {
    switch (role) {
    case StationRole::Counter: return "counter";
    case StationRole::Echo: return "echo";
    case StationRole::Idle: break;
    }
    return "idle";
}

RemoteStation::RemoteStation(unsigned address, unsigned size, StationRole role)
    : address_(address), size_(size), role_(role), range_(stationMask(address, size)) {}

std::uint64_t RemoteStation::mask() const {
    return onBus_ ? range_ : 0;
}

void RemoteStation::setOnBus(bool on) {
    onBus_ = on;
    held_ = {};
    outgoing_ = MailTransfer{};
}

void RemoteStation::cycle(std::chrono::microseconds elapsed, const BusTiming& timing) {
    if (!onBus_)
        return;
    if (role_ == StationRole::Counter) {
        ++count_;
        // Each word of the run differs from its neighbour, so a misplaced
        // block shows.
        for (unsigned w = 0; w < size_ * mky43::kBlockWords; ++w)
            gm_[address_ * mky43::kBlockWords + w] = static_cast<std::uint16_t>(count_ + w);
    }
    if (role_ != StationRole::Echo)
        return;
    outgoing_.advance(elapsed);
    if (outgoing_.active)
        return;
    Held* oldest = nullptr;
    for (Held& h : held_)
        if (h.full && (!oldest || h.order < oldest->order))
            oldest = &h;
    if (!oldest)
        return;
    outgoing_.data = oldest->mail.data;
    outgoing_.begin(address_, oldest->mail.source, oldest->mail.units, timing);
    oldest->full = false;  // re-armed as soon as its content is on its way back
}

std::uint16_t RemoteStation::receive(const MailTransfer& mail) {
    if (role_ != StationRole::Echo)
        return mky43::kMesrNoBuffer;  // never arms a receive buffer
    for (Held& h : held_) {
        if (h.full)
            continue;
        h.full = true;
        h.order = ++arrivals_;
        h.mail = mail;
        return 0;
    }
    return mky43::kMesrNoBuffer;
}

}  // namespace ravsim
