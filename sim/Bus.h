// The Ravel bus that links the simulated chips and remote stations. Whoever
// owns the clock calls cycle() once per bus cycle and says how much time
// passed; tests step time by calling it directly.
#pragma once

#include "sim/BoardFiles.h"
#include "sim/MailTransfer.h"
#include "sim/RemoteStation.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace ravsim {

struct BusStatus {
    struct Board {
        unsigned index;  // order of addBoard
        bool running;
        bool monitoring;   // a GM monitor: receives, owns no station
        unsigned station;  // first station, while running
        unsigned size;
        std::uint32_t refusedJoins;
    };
    struct Station {
        unsigned address;
        unsigned size;
        StationRole role;
        bool onBus;
    };
    // What happened at one station address since the bus began; listed for
    // every address with a count that is not 0.
    struct Traffic {
        unsigned station;
        std::uint64_t mailsSent;          // sends from it that ran their time
        std::uint64_t mailsReceived;      // mails that landed in it
        std::uint64_t mailsRefused;       // mails to it that found no member or no free buffer
        std::uint64_t membershipChanges;  // joins and leaves of the bus
    };
    std::uint64_t cycles = 0;
    std::uint64_t lateCycles = 0;  // begun 1.5 cycle times or more after the one before
    std::uint64_t members = 0;     // bit i = station i belongs to a member
    std::vector<Board> boards;
    std::vector<Station> stations;
    std::vector<Traffic> traffic;
};

enum class StationChange { Done, NoSuchStation, RangeTaken };

class Bus {
public:
    explicit Bus(BusTiming timing = {});

    // The board stays owned by the caller and must outlive its membership.
    void addBoard(BoardFiles& board);
    void removeBoard(BoardFiles& board);

    // False with `error` when the run does not fit in 0..63 or overlaps a
    // station already added.
    bool addStation(unsigned address, unsigned size, StationRole role, std::string& error);
    // Takes the station at `address` off the bus or brings it back; back on
    // only while no member holds any of its stations.
    StationChange setStationOnBus(unsigned address, bool on);

    // One bus cycle for every chip and station, `elapsed` after the previous
    // one (a clock that runs late lengthens mail, never shortens it). Each
    // board is touched under its lock, never two at once; a board whose lock
    // is not free within 20 ms misses the cycle.
    void cycle(std::chrono::microseconds elapsed);
    // A cycle of exactly BusTiming::cycle: the stepped clock of tests.
    void cycle() { cycle(timing_.cycle); }

    BusStatus status();

private:
    struct Slot {
        BoardFiles* files;
        unsigned index;
        std::uint64_t mask = 0;  // its stations while it runs
        bool locked = false;     // this cycle's first look succeeded
        bool monitoring = false;
        std::array<std::uint16_t, 256> gm{};
        MailTransfer outgoing;
    };

    void stepBoard(Slot& slot, std::uint64_t& occupied, std::chrono::microseconds elapsed);
    void stepSend(Chip& chip, Slot& slot, std::chrono::microseconds elapsed);
    void exchange(Slot& slot, std::uint64_t members);
    void deliver(MailTransfer& mail);
    void land(MailTransfer& mail, std::uint16_t error);
    bool finishSend(Slot& slot);

    // The statistics (lateCycles_, counters_) are written only by cycle(),
    // under mutex_, and read by status() without it. Relaxed loads and
    // stores: counting costs the cycle a plain add.
    struct StationCounters {
        std::atomic<std::uint64_t> mailsSent{0};
        std::atomic<std::uint64_t> mailsReceived{0};
        std::atomic<std::uint64_t> mailsRefused{0};
        std::atomic<std::uint64_t> membershipChanges{0};
    };
    static void count(std::atomic<std::uint64_t>& counter) {
        counter.store(counter.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }

    BusTiming timing_;
    std::mutex mutex_;
    std::uint64_t cycles_ = 0;
    std::atomic<std::uint64_t> lateCycles_{0};
    std::uint64_t members_ = 0;  // as of the last cycle
    std::array<StationCounters, 64> counters_;
    unsigned nextIndex_ = 0;
    std::vector<Slot> boards_;
    std::vector<RemoteStation> stations_;
};

}  // namespace ravsim
