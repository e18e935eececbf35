#include "sim/Bus.h"

#include "chip/Mky43.h"
#include "sim/BoardLock.h"
#include "sim/Chip.h"
#include "sim/StationRange.h"

#include <algorithm>
#include <cstring>

namespace ravsim {

namespace {

constexpr std::chrono::milliseconds kLockTimeout{20};

void storeFlags(Chip& chip, std::uint64_t flags) {
    for (std::size_t r : {mky43::RFR, mky43::LFR, mky43::MFR})
        for (unsigned w = 0; w < 4; ++w)
            chip.store(r + 2 * w, static_cast<std::uint16_t>(flags >> (16 * w)));
}

}  // namespace

Bus::Bus(BusTiming timing) : timing_(timing) {}

void Bus::addBoard(BoardFiles& board) {
    std::lock_guard lock(mutex_);
    Slot slot;
    slot.files = &board;
    slot.index = nextIndex_++;
    boards_.push_back(slot);
}

void Bus::removeBoard(BoardFiles& board) {
    std::lock_guard lock(mutex_);
    std::erase_if(boards_, [&](const Slot& s) { return s.files == &board; });
}

bool Bus::addStation(unsigned address, unsigned size, StationRole role, std::string& error) {
    std::lock_guard lock(mutex_);
    std::uint64_t range = stationMask(address, size);
    if (!range) {
        error = "station " + std::to_string(address) + " size " + std::to_string(size) + " does not fit in 0..63";
        return false;
    }
    for (const RemoteStation& s : stations_) {
        if (s.range() & range) {
            error = "station " + std::to_string(address) + " size " + std::to_string(size) + " overlaps station " +
                    std::to_string(s.address()) + " size " + std::to_string(s.size());
            return false;
        }
    }
    stations_.emplace_back(address, size, role);
    return true;
}

StationChange Bus::setStationOnBus(unsigned address, bool on) {
    std::lock_guard lock(mutex_);
    auto it = std::find_if(stations_.begin(), stations_.end(),
                           [&](const RemoteStation& s) { return s.address() == address; });
    if (it == stations_.end())
        return StationChange::NoSuchStation;
    if (on == it->onBus())
        return StationChange::Done;
    if (on) {
        std::uint64_t taken = 0;
        for (const Slot& slot : boards_)
            taken |= slot.mask;
        if (taken & it->range())
            return StationChange::RangeTaken;
    }
    it->setOnBus(on);
    return StationChange::Done;
}

void Bus::cycle(std::chrono::microseconds elapsed) {
    std::lock_guard lock(mutex_);
    ++cycles_;
    if (elapsed >= timing_.cycle + timing_.cycle / 2)
        count(lateCycles_);
    std::uint64_t occupied = 0;
    for (const RemoteStation& s : stations_)
        occupied |= s.mask();
    for (const Slot& slot : boards_)
        occupied |= slot.mask;

    for (Slot& slot : boards_)
        stepBoard(slot, occupied, elapsed);
    for (RemoteStation& s : stations_)
        s.cycle(elapsed, timing_);

    std::uint64_t members = 0;
    for (const Slot& slot : boards_)
        members |= slot.mask;
    for (const RemoteStation& s : stations_)
        members |= s.mask();
    for (std::uint64_t m = members ^ members_; m; m &= m - 1)
        count(counters_[firstStation(m)].membershipChanges);
    members_ = members;
    for (Slot& slot : boards_)
        if (slot.locked)
            exchange(slot, members);

    for (Slot& slot : boards_) {
        if (slot.outgoing.due && !slot.outgoing.landed)
            deliver(slot.outgoing);
        if (slot.outgoing.landed && finishSend(slot))
            slot.outgoing = MailTransfer{};
    }
    for (RemoteStation& s : stations_) {
        // A mail the echo cannot hand over is lost, as a remote station has
        // no one to report the error to.
        if (s.outgoing().due)
            deliver(s.outgoing());
        if (s.outgoing().landed)
            s.outgoing() = MailTransfer{};
    }
}

void Bus::stepBoard(Slot& slot, std::uint64_t& occupied, std::chrono::microseconds elapsed) {
    // A process stuck holding one board's lock costs that board its cycles,
    // not the bus.
    BoardLock boardLock(slot.files->state(), kLockTimeout);
    slot.locked = boardLock.held();
    if (!slot.locked)
        return;
    Chip chip(slot.files->window(), slot.files->state());
    std::uint16_t bcr = chip.load(mky43::BCR);
    std::uint64_t wanted = stationMask(bcr & mky43::kBcrAddressMask, mky43::bcrStationSize(bcr));
    bool admit = wanted != 0 && (wanted & occupied & ~slot.mask) == 0;
    chip.cycle(admit);
    slot.monitoring = chip.monitoring();
    if (chip.running()) {
        if (slot.mask == 0)
            slot.mask = wanted;
        occupied |= slot.mask;
        for (std::uint64_t m = slot.mask; m; m &= m - 1) {
            unsigned block = firstStation(m);
            std::uint64_t value = chip.loadBlock(mky43::kGm + block * mky43::kBlockBytes);
            std::memcpy(&slot.gm[block * mky43::kBlockWords], &value, sizeof value);
        }
    } else {
        occupied &= ~slot.mask;
        slot.mask = 0;
    }
    stepSend(chip, slot, elapsed);
}

void Bus::stepSend(Chip& chip, Slot& slot, std::chrono::microseconds elapsed) {
    MailTransfer& mail = slot.outgoing;
    if (chip.inReset()) {
        mail = MailTransfer{};  // the reset has cleared MSCR and MESR already
        return;
    }
    std::uint16_t mscr = chip.load(mky43::MSCR);
    if (!chip.running()) {
        // Off the bus nothing is sent: a send under way or asked for ends
        // with the off-bus error.
        if ((mail.active && !mail.landed) || (!mail.active && (mscr & mky43::kMscrSending))) {
            chip.store(mky43::MESR, chip.load(mky43::MESR) | mky43::kMesrNotRunning);
            chip.store(mky43::MSCR, mscr & ~mky43::kMscrSending);
            mail = MailTransfer{};
        }
        return;
    }
    if (mail.active) {
        mail.advance(elapsed);
        return;
    }
    if (!(mscr & mky43::kMscrSending))
        return;
    mail.begin(firstStation(slot.mask), (mscr & mky43::kMscrStationMask) >> 8, mscr & mky43::kMscrUnitsMask, timing_);
    unsigned words = std::min(mail.units, kMailMaxUnits) * kMailWordsPerUnit;
    for (unsigned w = 0; w < words; ++w)
        mail.data[w] = chip.load(mky43::kMailSendBuffer + 2 * w);
}

void Bus::exchange(Slot& slot, std::uint64_t members) {
    BoardLock boardLock(slot.files->state(), kLockTimeout);
    if (!boardLock.held())
        return;
    Chip chip(slot.files->window(), slot.files->state());
    if (chip.inReset())
        return;
    if (!chip.running() && !chip.monitoring()) {
        storeFlags(chip, 0);
        return;
    }
    auto copyBlocks = [&](std::uint64_t mask, const std::array<std::uint16_t, 256>& gm) {
        for (std::uint64_t m = mask; m; m &= m - 1) {
            unsigned block = firstStation(m);
            std::uint64_t value;
            std::memcpy(&value, &gm[block * mky43::kBlockWords], sizeof value);
            chip.storeBlock(mky43::kGm + block * mky43::kBlockBytes, value);
        }
    };
    for (const Slot& other : boards_)
        if (&other != &slot)
            copyBlocks(other.mask, other.gm);
    for (const RemoteStation& s : stations_)
        copyBlocks(s.mask(), s.gm());
    storeFlags(chip, members);
}

void Bus::deliver(MailTransfer& mail) {
    if (mail.badLength()) {
        land(mail, mky43::kMesrBadLength);
        return;
    }
    for (Slot& slot : boards_) {
        if (!slot.mask || firstStation(slot.mask) != mail.destination)
            continue;
        BoardLock boardLock(slot.files->state(), kLockTimeout);
        if (!boardLock.held())
            return;  // tried again next cycle
        Chip chip(slot.files->window(), slot.files->state());
        land(mail, chip.running() ? landInChip(chip, mail) : mky43::kMesrNoStation);
        return;
    }
    for (RemoteStation& s : stations_) {
        if (s.mask() && s.address() == mail.destination) {
            land(mail, s.receive(mail));
            return;
        }
    }
    land(mail, mky43::kMesrNoStation);
}

void Bus::land(MailTransfer& mail, std::uint16_t error) {
    mail.error = error;
    mail.landed = true;
    // Both ends are station addresses, 0..63: six bits of MSCR, or a member's first station.
    count(counters_[mail.source % counters_.size()].mailsSent);
    StationCounters& destination = counters_[mail.destination % counters_.size()];
    if (error == 0)
        count(destination.mailsReceived);
    else if (error != mky43::kMesrBadLength)
        count(destination.mailsRefused);
}

bool Bus::finishSend(Slot& slot) {
    BoardLock boardLock(slot.files->state(), kLockTimeout);
    if (!boardLock.held())
        return false;
    Chip chip(slot.files->window(), slot.files->state());
    if (chip.inReset())
        return true;
    chip.store(mky43::MESR, chip.load(mky43::MESR) | slot.outgoing.error);
    chip.store(mky43::MSCR, chip.load(mky43::MSCR) & ~mky43::kMscrSending);
    return true;
}

BusStatus Bus::status() {
    std::unique_lock lock(mutex_);
    BusStatus status;
    status.cycles = cycles_;
    for (const Slot& slot : boards_) {
        status.members |= slot.mask;
        status.boards.push_back({slot.index, slot.mask != 0, slot.monitoring, slot.mask ? firstStation(slot.mask) : 0,
                                 static_cast<unsigned>(std::popcount(slot.mask)),
                                 __atomic_load_n(&slot.files->state().refusedJoins, __ATOMIC_RELAXED)});
    }
    for (const RemoteStation& s : stations_) {
        status.members |= s.mask();
        status.stations.push_back({s.address(), s.size(), s.role(), s.onBus()});
    }
    lock.unlock();
    status.lateCycles = lateCycles_.load(std::memory_order_relaxed);
    for (unsigned station = 0; station < counters_.size(); ++station) {
        const StationCounters& c = counters_[station];
        BusStatus::Traffic t{
            station, c.mailsSent.load(std::memory_order_relaxed), c.mailsReceived.load(std::memory_order_relaxed),
            c.mailsRefused.load(std::memory_order_relaxed), c.membershipChanges.load(std::memory_order_relaxed)};
        if (t.mailsSent || t.mailsReceived || t.mailsRefused || t.membershipChanges)
            status.traffic.push_back(t);
    }
    return status;
}

}  // namespace ravsim
