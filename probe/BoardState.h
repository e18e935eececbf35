// What the main window knows about the boards it drives and the settings of
// the calls it makes.
#pragma once

#include <array>

namespace ravprobe {

struct BoardState {
  static constexpr int kBoards = 4;

  std::array<int, kBoards> opened{};
  std::array<int, kBoards> started{};
  std::array<int, kBoards> gmmStarted{};
  int board = 0;
  int line = 0;
  int stationAddress = 0;
  int stationSize = 1;
};

}  // namespace ravprobe
