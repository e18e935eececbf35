// The live GM grid of `watch` on a terminal: a header with the connect
// state and cycle, then the 64 stations in columns, coloured by what they
// are, with the words that changed lately highlighted.
#pragma once

#include "tools/ravel/Board.h"
#include "tools/ravel/BusState.h"

#include <array>
#include <cstdint>
#include <string>

namespace ravel {

struct GridHeader {
    int board = 0;
    ConnectInfo info;
    std::uint16_t cycle = 0;  // CCTR
};

class Grid {
public:
    // Lays the stations out in as many columns as `width` characters hold.
    explicit Grid(int width);

    // Screen lines the grid takes; the lines below it are left to others.
    int height() const;
    // One frame: saves the cursor, draws every line of the grid from the
    // top of the screen, restores the cursor.
    std::string frame(const BusState& state, const GridHeader& header);

private:
    std::string cell(const BusState& state, int station, const ConnectInfo& info) const;

    int columns_;
    int rows_;
    int frameNumber_ = 0;
    bool first_ = true;
    BusState previous_;
    std::array<std::array<int, mky43::kBlockWords>, mky43::kStations> changedAt_{};
};

// Escape sequences that set the terminal up for the grid and give it back.
std::string gridScreenSetup(int gridHeight, int screenHeight);
std::string gridScreenRestore(int screenHeight);

}  // namespace ravel
