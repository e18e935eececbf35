#include "MailGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

namespace ravprobe {

MailGrid::MailGrid(QWidget* parent) : QTableWidget(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setShowGrid(false);
    setCornerButtonEnabled(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalHeader()->setVisible(false);
    horizontalHeader()->setSectionsClickable(false);
    verticalHeader()->setSectionsClickable(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) { emit topRowChanged(value + 1); });
}

void MailGrid::setFixedCols(int fixedCols) {
    fixedCols_ = fixedCols;
    verticalHeader()->setVisible(fixedCols_ > 0);
}

void MailGrid::setRowCountAll(int rows) {
    setRowCount(rows > 1 ? rows - 1 : 0);
}

QString MailGrid::cell(int col, int row) const {
    const QTableWidgetItem* it = item(row - 1, col - fixedCols_);
    return it != nullptr ? it->text() : QString();
}

void MailGrid::setCell(int col, int row, const QString& text) {
    const int r = row - 1;
    const int c = col - fixedCols_;
    if (r < 0 || r >= rowCount() || c < 0 || c >= columnCount())
        return;
    QTableWidgetItem* it = item(r, c);
    if (it == nullptr) {
        it = new QTableWidgetItem(text);
        it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        it->setTextAlignment(Qt::AlignCenter);
        setItem(r, c, it);
    } else {
        it->setText(text);
    }
}

void MailGrid::setColumnTitle(int col, const QString& text) {
    setHorizontalHeaderItem(col - fixedCols_, new QTableWidgetItem(text));
}

void MailGrid::setRowTitle(int row, const QString& text) {
    setVerticalHeaderItem(row - 1, new QTableWidgetItem(text));
}

int MailGrid::col() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.column() + fixedCols_ : fixedCols_;
}

int MailGrid::row() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 1;
}

bool MailGrid::setCol(int col) {
    return moveTo(col, row());
}

bool MailGrid::setRow(int row) {
    return moveTo(col(), row);
}

void MailGrid::placeCursor(int col, int row) {
    setCurrentCell(row - 1, col - fixedCols_, QItemSelectionModel::ClearAndSelect);
}

bool MailGrid::moveTo(int col, int row) {
    if (col < fixedCols_ || col >= colCount() || row < 1 || row > rowCount())
        return false;
    if (!allowed(col, row))
        return false;
    placeCursor(col, row);
    return true;
}

int MailGrid::topRow() const {
    return verticalScrollBar()->value() + 1;
}

void MailGrid::setTopRow(int row) {
    verticalScrollBar()->setValue(row - 1);
}

void MailGrid::setKeyHandlers(KeyDown keyDown, KeyPress keyPress) {
    keyDown_ = std::move(keyDown);
    keyPress_ = std::move(keyPress);
}

bool MailGrid::allowed(int col, int row) const {
    return !selectCheck_ || selectCheck_(col, row);
}

bool MailGrid::allowedIndex(const QModelIndex& index) const {
    return !index.isValid() || allowed(index.column() + fixedCols_, index.row() + 1);
}

void MailGrid::keyPressEvent(QKeyEvent* event) {
    if (keyDown_ && keyDown_(event->key())) {
        event->accept();
        return;
    }
    const QString text = event->text();
    if (!text.isEmpty() && keyPress_) {
        for (const QChar ch : text)
            keyPress_(ch);
        event->accept();
        return;
    }
    // The grid's own key moves (Home, Page Down, ...) would move one grid
    // without the other; the window may still want Enter or Escape.
    event->ignore();
}

void MailGrid::mousePressEvent(QMouseEvent* event) {
    if (!allowedIndex(indexAt(event->position().toPoint())))
        return;
    QTableWidget::mousePressEvent(event);
}

void MailGrid::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() != Qt::NoButton && !allowedIndex(indexAt(event->position().toPoint())))
        return;
    QTableWidget::mouseMoveEvent(event);
}

void MailGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!allowedIndex(indexAt(event->position().toPoint())))
        return;
    QTableWidget::mouseDoubleClickEvent(event);
}

}  // namespace ravprobe
