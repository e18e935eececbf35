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
#include "chip/Mky43.h"

namespace ravprobe {

struct GmCell {
    int row;     // station
    int column;  // value column, from 0
    QString text;
};

// What one refresh hands to the window: the cells it rewrote and the member
// flags they are to be coloured by.
struct GmBatch {
    int generation;    // the monitor's generation when the cycle began
    uint64_t members;  // bit s: station s is a member
    QList<GmCell> cells;
};

class GMMonitor : public QThread {
    Q_OBJECT
public:
    static constexpr int kStations = mky43::kStations;

    GMMonitor(const EntryCaller& caller, const BoardState& state, const WindowCopies& window);

    // 1 while the loop runs, -1 once it has left it.
    std::atomic<int> FinishedMarker{1};
    std::atomic<bool> MonitorEnabled{false};
    int interval = 100;

    // Batches handed over so far are stale and the window drops them; the next
    // cycle starts afresh: member flags unknown, every cell rewritten.
    void startNewGeneration() { ++generation_; }
    int generation() const { return generation_; }

signals:
    // One refresh; the cells in the order it produced them.
    void cellsChanged(const ravprobe::GmBatch& batch);

protected:
    void run() override;

private:
    void cycle(int generation);
    void ReadMemberFlags(int board, int line);
    void ReadStationBlock(int board, int line, int station);
    void RefreshGmGrid(int generation);

    const EntryCaller& caller_;
    const BoardState& state_;
    const WindowCopies& window_;
    // [view][element][station]; shown -1 means nothing shown yet.
    std::array<std::array<std::array<int64_t, kStations>, 8>, 3> values_{};
    std::array<std::array<std::array<int64_t, kStations>, 8>, 3> shown_{};
    std::array<int, kStations> current_{};
    std::array<int, kStations> previous_{};
    bool flagsRead_ = false;
    int lastView_ = 0;
    std::atomic<int> generation_{0};
    int seenGeneration_ = 0;
};

}  // namespace ravprobe

Q_DECLARE_METATYPE(ravprobe::GmBatch)
