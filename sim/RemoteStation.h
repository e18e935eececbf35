// A member of the bus that is not a board of this machine: a counter whose
// blocks change every cycle, an echo that returns every mail, or an idle one.
#pragma once

#include "sim/MailTransfer.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ravsim {

enum class StationRole { Counter, Echo, Idle };

std::optional<StationRole> parseStationRole(std::string_view text);
const char* stationRoleName(StationRole role);

class RemoteStation {
public:
    RemoteStation(unsigned address, unsigned size, StationRole role);

    unsigned address() const { return address_; }
    unsigned size() const { return size_; }
    StationRole role() const { return role_; }
    std::uint64_t mask() const;  // its stations while on the bus, else 0
    std::uint64_t range() const { return range_; }

    bool onBus() const { return onBus_; }
    // Off the bus a station forgets its mail; back on, it starts afresh.
    void setOnBus(bool on);

    // One bus cycle: the counter advances, the echo sends back what it holds
    // once its send path is free.
    void cycle(std::chrono::microseconds elapsed, const BusTiming& timing);

    // GM as this station writes it: word 4 * s + i of block s.
    const std::array<std::uint16_t, 256>& gm() const { return gm_; }

    // A mail arrives; 0 or the MESR bit the sender gets.
    std::uint16_t receive(const MailTransfer& mail);
    MailTransfer& outgoing() { return outgoing_; }

private:
    struct Held {
        bool full = false;
        std::uint64_t order = 0;
        MailTransfer mail;
    };

    unsigned address_;
    unsigned size_;
    StationRole role_;
    std::uint64_t range_;
    bool onBus_ = true;
    std::uint16_t count_ = 0;
    std::uint64_t arrivals_ = 0;
    std::array<std::uint16_t, 256> gm_{};
    std::array<Held, 2> held_{};
    MailTransfer outgoing_;
};

}  // namespace ravsim
