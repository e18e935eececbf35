#include "GmCellDelegate.h"

#include <QPainter>

#include "GMMonitor.h"

namespace ravprobe {

GmCellDelegate::GmCellDelegate(const GMMonitor& monitor, const BoardState& state, QObject* parent)
    : QStyledItemDelegate(parent), monitor_(monitor), state_(state) {}

QColor GmCellDelegate::fillOf(int station, bool selected) const {
    if (selected)
        return QColor(0x00, 0x00, 0x80);
    if (!monitor_.MonitorEnabled || station < 0 || station >= GMMonitor::kStations || ((members_ >> station) & 1u) == 0)
        return QColor();
    const int first = state_.stationAddress;
    const bool own = station >= first && station < first + state_.stationSize;
    return own ? QColor(0x00, 0xFF, 0x00) : QColor(0x00, 0x00, 0xFF);
}

void GmCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    QStyleOptionViewItem normal(option);
    normal.state &= ~QStyle::State_Selected;
    QStyledItemDelegate::paint(painter, normal, index);
    const QColor fill = fillOf(index.row(), selected);
    if (!fill.isValid())
        return;
    const bool blackText = fill == QColor(0x00, 0xFF, 0x00);
    painter->save();
    painter->fillRect(option.rect, fill);
    painter->setPen(blackText ? Qt::black : Qt::white);
    painter->setFont(option.font);
    const QRect textRect = option.rect.adjusted(2, 1, 0, 0);
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop, index.data(Qt::DisplayRole).toString());
    painter->restore();
}

}  // namespace ravprobe
