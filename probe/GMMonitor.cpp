#include "GMMonitor.h"

namespace ravprobe {

GMMonitor::GMMonitor(const EntryCaller& caller, const BoardState& state, const WindowCopies& window)
    : caller_(caller), state_(state), window_(window) {
    qRegisterMetaType<ravprobe::GmBatch>();
    for (auto& view : shown_) {
        for (auto& element : view)
            element.fill(-1);
    }
}

void GMMonitor::run() {
    while (!isInterruptionRequested()) {
        msleep(static_cast<unsigned long>(interval));
        // The generation is read before the enable flag: a cycle that still sees
        // the flag set after Stop cleared it carries the generation Stop ended.
        const int generation = generation_;
        if (MonitorEnabled && !isInterruptionRequested())
            cycle(generation);
    }
    FinishedMarker = -1;
}

void GMMonitor::cycle(int generation) {
    if (!state_.currentOpened())
        return;
    if (generation != seenGeneration_) {
        seenGeneration_ = generation;
        for (auto& view : shown_) {
            for (auto& element : view)
                element.fill(-1);
        }
        current_.fill(0);
        flagsRead_ = false;
    }
    const int board = state_.board;
    const int line = state_.line;
    ReadMemberFlags(board, line);
    for (int s = 0; s < kStations; ++s)
        ReadStationBlock(board, line, s);
    RefreshGmGrid(generation);
}

void GMMonitor::ReadMemberFlags(int board, int line) {
    int32_t value[2] = {0, 0};
    const auto r = caller_.callQuiet<Entry::RV_GetReg64>(board, line, static_cast<int32_t>(mky43::MFR), value);
    if (r.value_or(-1) != 0)
        return;
    const uint64_t flags = static_cast<uint32_t>(value[0]) | (uint64_t{static_cast<uint32_t>(value[1])} << 32);
    for (int i = 0; i < kStations; ++i) {
        const auto s = static_cast<std::size_t>(i);
        const int now = static_cast<int>((flags >> i) & 1u);
        // Before the first read there is nothing to compare with.
        previous_[s] = flagsRead_ ? current_[s] : now;
        current_[s] = now;
    }
    flagsRead_ = true;
}

void GMMonitor::ReadStationBlock(int board, int line, int station) {
    int16_t words[4] = {0, 0, 0, 0};
    const auto r = caller_.callQuiet<Entry::RV_GetMemShort>(board, line, words, station, 0, 4);
    uint8_t b[8] = {};
    if (r.value_or(-1) == 0) {
        for (int k = 0; k < 4; ++k) {
            b[2 * k] = static_cast<uint8_t>(static_cast<uint16_t>(words[k]) & 0xFF);
            b[2 * k + 1] = static_cast<uint8_t>(static_cast<uint16_t>(words[k]) >> 8);
        }
    }
    const auto s = static_cast<std::size_t>(station);
    for (std::size_t k = 0; k < 8; ++k)
        values_[0][k][s] = b[k];
    for (std::size_t k = 0; k < 4; ++k)
        values_[1][k][s] = b[2 * k] | (b[2 * k + 1] << 8);
    for (std::size_t k = 0; k < 2; ++k) {
        values_[2][k][s] = static_cast<int64_t>(static_cast<uint32_t>(b[4 * k]) | (uint32_t{b[4 * k + 1]} << 8) |
                                                (uint32_t{b[4 * k + 2]} << 16) | (uint32_t{b[4 * k + 3]} << 24));
    }
}

void GMMonitor::RefreshGmGrid(int generation) {
    int v = window_.viewSize;
    if (v < 0 || v > 2)
        v = 0;
    const int columns = 8 >> v;
    const int digits = 2 << v;
    QList<GmCell> cells;
    for (int k = 0; k < columns; ++k) {
        const auto ku = static_cast<std::size_t>(k);
        for (int s = 0; s < kStations; ++s) {
            const auto su = static_cast<std::size_t>(s);
            const auto vu = static_cast<std::size_t>(v);
            if (values_[vu][ku][su] == shown_[vu][ku][su] && current_[su] == previous_[su] && lastView_ == v)
                continue;
            for (std::size_t view = 0; view < 3; ++view)
                shown_[view][ku][su] = values_[view][ku][su];
            cells.append(
                GmCell{s, k, QStringLiteral("%1").arg(values_[vu][ku][su], digits, 16, QLatin1Char('0')).toUpper()});
        }
    }
    lastView_ = v;
    if (cells.isEmpty())
        return;
    uint64_t members = 0;
    for (int s = 0; s < kStations; ++s)
        members |= uint64_t{current_[static_cast<std::size_t>(s)] != 0} << s;
    emit cellsChanged(GmBatch{generation, members, cells});
}

}  // namespace ravprobe
