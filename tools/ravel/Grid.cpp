#include "tools/ravel/Grid.h"

#include "tools/ravel/Numbers.h"

#include <algorithm>
#include <ctime>

namespace ravel {

namespace {

constexpr int kHeaderLines = 2;
constexpr int kCellWidth = 25;  // "SS wwww wwww wwww wwww" and a gap
constexpr int kMaxColumns = 4;
constexpr int kHighlightFrames = 5;  // half a second at 100 ms a frame

constexpr const char* kOwn = "\x1b[1;32m";
constexpr const char* kMember = "\x1b[36m";
constexpr const char* kOther = "\x1b[2m";
constexpr const char* kChanged = "\x1b[7m";
constexpr const char* kReset = "\x1b[0m";

std::string moveTo(int line) {
    return "\x1b[" + std::to_string(line) + ";1H";
}

std::string clock() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

}  // namespace

Grid::Grid(int width)
    : columns_(std::clamp(width / kCellWidth, 1, kMaxColumns)), rows_((mky43::kStations + columns_ - 1) / columns_) {}

int Grid::height() const {
    return kHeaderLines + rows_;
}

std::string Grid::cell(const BusState& state, int station, const ConnectInfo& info) const {
    const bool own = info.ownsStations() && station >= info.station && station < info.station + info.size;
    const char* colour = own ? kOwn : state.member(station) ? kMember : kOther;
    std::string text = colour + std::string(station < 10 ? " " : "") + std::to_string(station);
    for (std::size_t w = 0; w < mky43::kBlockWords; ++w) {
        const bool recent =
            !first_ && frameNumber_ - changedAt_[static_cast<std::size_t>(station)][w] < kHighlightFrames;
        text += " ";
        if (recent)
            text += kChanged;
        text += hex(state.gm[static_cast<std::size_t>(station)][w], 4);
        if (recent)
            text += std::string(kReset) + colour;
    }
    return text + kReset;
}

std::string Grid::frame(const BusState& state, const GridHeader& header) {
    ++frameNumber_;
    for (std::size_t s = 0; s < state.gm.size(); ++s)
        for (std::size_t w = 0; w < mky43::kBlockWords; ++w)
            if (!first_ && state.gm[s][w] != previous_.gm[s][w])
                changedAt_[s][w] = frameNumber_;
    int members = 0;
    for (int s = 0; s < mky43::kStations; ++s)
        members += state.member(s);
    const ConnectInfo& info = header.info;
    std::string own = info.ownsStations() ? std::to_string(info.station) + ":" + std::to_string(info.size) : "-";
    std::string out = "\x1b"
                      "7" +
                      moveTo(1) + "\x1b[1mravel watch\x1b[0m  board " + std::to_string(header.board) + "  " +
                      std::string(info.stateName()) + " (sequence " + std::to_string(info.sequence) + ")  own " + own +
                      "  cycle " + std::to_string(header.cycle) + "  members " + std::to_string(members) + "  " +
                      clock() + "\x1b[K";
    out += moveTo(2) + kOwn + "own" + kReset + "  " + kMember + "member" + kReset + "  " + kOther + "other" + kReset +
           "  " + kChanged + "changed" + kReset + "   Ctrl-C ends\x1b[K";
    for (int row = 0; row < rows_; ++row) {
        out += moveTo(kHeaderLines + 1 + row);
        for (int column = 0; column < columns_; ++column) {
            int station = column * rows_ + row;
            if (station < mky43::kStations)
                out += (column ? "   " : "") + cell(state, station, info);
        }
        out += "\x1b[K";
    }
    previous_ = state;
    first_ = false;
    return out + "\x1b"
                 "8";
}

std::string gridScreenSetup(int gridHeight, int screenHeight) {
    std::string out = "\x1b[?25l\x1b[2J";
    // Lines written under the grid scroll there and leave the grid alone.
    if (screenHeight > gridHeight + 1)
        out += "\x1b[" + std::to_string(gridHeight + 1) + ";" + std::to_string(screenHeight) + "r";
    return out + moveTo(gridHeight + 1);
}

std::string gridScreenRestore(int screenHeight) {
    return "\x1b[r" + moveTo(std::max(screenHeight, 1)) + "\x1b[?25h\n";
}

}  // namespace ravel
