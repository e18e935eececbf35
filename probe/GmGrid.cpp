#include "GmGrid.h"

#include <QFontDatabase>
#include <QHeaderView>

#include <algorithm>

namespace ravprobe {

namespace {

constexpr int kStations = GMMonitor::kStations;
constexpr int kRowHeight = 18;
constexpr int kRowHeaderWidth = 60;

}  // namespace

// Rows and columns come before the font: so the column titles keep the
// headers' own font, as the row titles do not.
GmGrid::GmGrid(QWidget* parent) : QTableWidget(kStations, 8, parent) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QHeaderView* rows = verticalHeader();
    rows->setFixedWidth(kRowHeaderWidth);
    // The station titles are 12 characters wide, blanks first: show their right end.
    rows->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    rows->setTextElideMode(Qt::ElideNone);
    rows->setMinimumSectionSize(kRowHeight);
    rows->setDefaultSectionSize(kRowHeight);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setFixedHeight(kRowHeight);
}

void GmGrid::layOut(int size, bool addressMode) {
    for (int s = 0; s < kStations; ++s) {
        const QString title = addressMode ? QStringLiteral("%1").arg(s * 8, 8, 16, QLatin1Char('0')).toUpper()
                                          : QString::asprintf("%12d", s);
        setVerticalHeaderItem(s, new QTableWidgetItem(title));
    }
    fitRowHeaders();
    const int columns = 8 >> size;
    const int width = 34 << size;
    setColumnCount(columns);
    for (int c = 0; c < columns; ++c) {
        const int offset = c << size;
        setHorizontalHeaderItem(
            c, new QTableWidgetItem(
                   QStringLiteral("%1").arg(offset, addressMode ? 2 : 1, 16, QLatin1Char('0')).toUpper()));
        setColumnWidth(c, width);
    }
}

void GmGrid::fitRowHeaders() {
    // The station titles' leading blanks may stay out of sight; their digits
    // may not, also in bold, as the rows holding the selection show them.
    QHeaderView* rows = verticalHeader();
    QFont bold = rows->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    int widest = 0;
    for (int s = 0; s < kStations; ++s)
        widest = std::max(widest, metrics.horizontalAdvance(verticalHeaderItem(s)->text().trimmed()));
    const int margins = 2 * rows->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, rows);
    rows->setFixedWidth(std::max(kRowHeaderWidth, widest + margins));
}

void GmGrid::clearCells(int size) {
    const QString zero(2 << size, QLatin1Char('0'));
    const int columns = 8 >> size;
    for (int s = 0; s < kStations; ++s) {
        for (int c = 0; c < columns; ++c)
            setCellText(s, c, zero);
    }
}

void GmGrid::setCellTexts(const QList<GmCell>& cells) {
    const int columns = columnCount();
    for (const GmCell& cell : cells) {
        // A batch made for the view before a size change: the next one redraws.
        if (cell.column < columns)
            setCellText(cell.row, cell.column, cell.text);
    }
}

void GmGrid::setCellText(int row, int column, const QString& text) {
    if (QTableWidgetItem* it = item(row, column))
        it->setText(text);
    else
        setItem(row, column, new QTableWidgetItem(text));
}

}  // namespace ravprobe
