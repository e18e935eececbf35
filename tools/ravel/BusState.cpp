#include "tools/ravel/BusState.h"

#include "lib/Ravlib.h"
#include "tools/ravel/ReturnCode.h"

#include <cstring>
#include <string>

namespace ravel {

bool readBusState(int board, BusState& state) {
    std::int16_t words[mky43::kStations * mky43::kBlockWords];
    if (!succeeded(RV_GetMemShort(board, 0, words, 0, 0, mky43::kStations * mky43::kBlockWords),
                   "RV_GetMemShort(board " + std::to_string(board) + ")"))
        return false;
    std::memcpy(state.gm.data(), words, sizeof words);
    std::int32_t lowHigh[2] = {0, 0};
    if (!succeeded(RV_GetReg64(board, 0, static_cast<std::int32_t>(mky43::MFR), lowHigh),
                   "RV_GetReg64(board " + std::to_string(board) + ")"))
        return false;
    state.members =
        static_cast<std::uint32_t>(lowHigh[0]) | (std::uint64_t{static_cast<std::uint32_t>(lowHigh[1])} << 32);
    return true;
}

std::vector<BusChange> changesBetween(const BusState& before, const BusState& after) {
    std::vector<BusChange> changes;
    for (int s = 0; s < mky43::kStations; ++s)
        if (before.gm[static_cast<std::size_t>(s)] != after.gm[static_cast<std::size_t>(s)])
            changes.push_back({BusChange::Kind::Gm, s, after.gm[static_cast<std::size_t>(s)], false});
    for (int s = 0; s < mky43::kStations; ++s)
        if (before.member(s) != after.member(s))
            changes.push_back({BusChange::Kind::Member, s, {}, after.member(s)});
    return changes;
}

}  // namespace ravel
