// What the main window knows about the boards it drives and the settings of
// the calls it makes. The GUI thread writes it; the monitor and status
// threads read it, so every field is a single atomic word.
#pragma once

#include <array>
#include <atomic>

namespace ravprobe {

struct BoardState {
    static constexpr int kBoards = 4;

    std::array<std::atomic<int>, kBoards> opened{};
    std::array<std::atomic<int>, kBoards> started{};
    std::array<std::atomic<int>, kBoards> gmmStarted{};
    std::atomic<int> board{0};
    std::atomic<int> line{0};
    std::atomic<int> stationAddress{0};
    std::atomic<int> stationSize{1};

    void reset() {
        for (int b = 0; b < kBoards; ++b) {
            opened[b] = 0;
            started[b] = 0;
            gmmStarted[b] = 0;
        }
        board = 0;
        line = 0;
        stationAddress = 0;
        stationSize = 1;
    }
    // opened[board] of the current board; false for a board outside 0..3.
    bool currentOpened() const { return flagOf(opened); }
    bool currentStarted() const { return flagOf(started); }
    bool currentGmmStarted() const { return flagOf(gmmStarted); }

private:
    bool flagOf(const std::array<std::atomic<int>, kBoards>& flags) const {
        const int b = board;
        return b >= 0 && b < kBoards && flags[static_cast<std::size_t>(b)] == 1;
    }
};

// The window's settings that the threads need, kept up to date by the
// window so the threads never touch a control.
struct WindowCopies {
    std::atomic<int> viewSize{0};
    // 1 for "Mail Status", 0 for "Mail Wait Object".
    std::atomic<int> pollMode{1};
    std::atomic<int> sendSa{0};
    std::atomic<bool> agingActive{false};
};

}  // namespace ravprobe
