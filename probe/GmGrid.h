// The main window's GM grid: a row per station, titled by station or by
// address, and the value columns of the chosen view size.
#pragma once

#include <QList>
#include <QTableWidget>

#include "GMMonitor.h"

namespace ravprobe {

class GmGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit GmGrid(QWidget* parent = nullptr);

    // Row titles and value columns for a view size (0: 8 bits, 1: 16, 2: 32),
    // the rows titled by station or, in address mode, by GM address.
    void layOut(int size, bool addressMode);
    // Every value cell of that view size shows zeros.
    void clearCells(int size);
    // A cell beyond the columns of the current view is skipped.
    void setCellTexts(const QList<GmCell>& cells);

private:
    void setCellText(int row, int column, const QString& text);
    void fitRowHeaders();
};

}  // namespace ravprobe
