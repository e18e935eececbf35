// The GM monitor thread: every 100 ms it reads the member flags and the 64
// stations' blocks and hands the grid cells that changed to the GUI thread.
#pragma once

#include <QList>
#include <QString>
#include <QThread>

#include <array>
#include <atomic>
#include <cstdint>

#include "BoardState.h"
#include "EntryCaller.h"

namespace ravprobe {

struct GmCell {
  int row;  // station
  int column;  // value column, from 0
  QString text;
};

class GMMonitor : public QThread {
  Q_OBJECT
 public:
  static constexpr int kStations = 64;
  static constexpr int kMemberFlagRegister = 0x310;

  GMMonitor(const EntryCaller& caller, const BoardState& state, const WindowCopies& window);

  // 1 while the loop runs, -1 once it has left it.
  std::atomic<int> FinishedMarker{1};
  std::atomic<bool> MonitorEnabled{false};
  int interval = 100;

  bool memberFlag(int station) const { return current_[static_cast<std::size_t>(station)].load() != 0; }
  // The next refresh rewrites every cell (the grid was cleared behind the monitor's back).
  void forgetShown() { ++clearGeneration_; }

 signals:
  // The cells one refresh rewrote, in the order it produced them.
  void cellsChanged(const QList<ravprobe::GmCell>& cells);

 protected:
  void run() override;

 private:
  void cycle();
  void ReadMemberFlags(int board, int line);
  void ReadStationBlock(int board, int line, int station);
  void RefreshGmGrid();

  const EntryCaller& caller_;
  const BoardState& state_;
  const WindowCopies& window_;
  // [view][element][station]; shown -1 means nothing shown yet.
  std::array<std::array<std::array<int64_t, kStations>, 8>, 3> values_{};
  std::array<std::array<std::array<int64_t, kStations>, 8>, 3> shown_{};
  std::array<std::atomic<int>, kStations> current_{};
  std::array<int, kStations> previous_{};
  bool flagsRead_ = false;
  int lastView_ = 0;
  std::atomic<int> clearGeneration_{0};
  int seenGeneration_ = 0;
};

}  // namespace ravprobe

Q_DECLARE_METATYPE(ravprobe::GmCell)
