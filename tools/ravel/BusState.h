// What a board sees of the bus at one moment: the 64 GM blocks and the
// member flags, and the changes from one such moment to the next.
#pragma once

#include "chip/Mky43.h"

#include <array>
#include <cstdint>
#include <vector>

namespace ravel {

using Block = std::array<std::uint16_t, mky43::kBlockWords>;

struct BusState {
    std::array<Block, mky43::kStations> gm{};
    std::uint64_t members = 0;

    bool member(int station) const { return (members >> station) & 1u; }
};

// Reads GM (one call for all blocks) and MFR; prints the failing call.
bool readBusState(int board, BusState& state);

struct BusChange {
    enum class Kind { Gm, Member };
    Kind kind;
    int station;
    Block words{};        // Gm: the new block
    bool joined = false;  // Member: the new flag
};

// Every block and flag that differs, in station order, blocks first.
std::vector<BusChange> changesBetween(const BusState& before, const BusState& after);

}  // namespace ravel
