// Paints the GM grid's value cells: lime for this program's own member
// stations, blue for the other members, navy for the selection.
#pragma once

#include <QStyledItemDelegate>

#include <cstdint>

#include "BoardState.h"

namespace ravprobe {

class GMMonitor;

class GmCellDelegate : public QStyledItemDelegate {
public:
    GmCellDelegate(const GMMonitor& monitor, const BoardState& state, QObject* parent);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // The fill of a value cell of station s; invalid for the normal look.
    QColor fillOf(int station, bool selected) const;

    // The member flags of the cells last written (bit s: station s); GUI thread only.
    void setMembers(uint64_t members) { members_ = members; }

private:
    const GMMonitor& monitor_;
    const BoardState& state_;
    uint64_t members_ = 0;
};

}  // namespace ravprobe
