// Paints the GM grid's value cells: lime for this program's own member
// stations, blue for the other members, navy for the selection.
#pragma once

#include <QStyledItemDelegate>

#include "BoardState.h"

namespace ravprobe {

class GMMonitor;

class GmCellDelegate : public QStyledItemDelegate {
 public:
  GmCellDelegate(const GMMonitor& monitor, const BoardState& state, QObject* parent);

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  // The fill of a value cell of station s; invalid for the normal look.
  QColor fillOf(int station, bool selected) const;

 private:
  const GMMonitor& monitor_;
  const BoardState& state_;
};

}  // namespace ravprobe
