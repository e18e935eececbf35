// A string grid of the mail data windows, addressed by (column, row) with the
// fixed header row 0 and, where there is one, the fixed address column 0.
#pragma once

#include <QTableWidget>

#include <functional>

namespace ravprobe {

class MailGrid : public QTableWidget {
    Q_OBJECT
    // 1 where the vertical header stands for the fixed address column 0.
    Q_PROPERTY(int fixedCols READ fixedCols WRITE setFixedCols)

public:
    // Asked before the cursor moves to a cell; false refuses the move.
    using SelectCheck = std::function<bool(int col, int row)>;
    // A key press; true when the key was consumed.
    using KeyDown = std::function<bool(int key)>;
    // A typed character, when KeyDown did not consume the key.
    using KeyPress = std::function<void(QChar ch)>;

    explicit MailGrid(QWidget* parent = nullptr);

    int fixedCols() const { return fixedCols_; }
    void setFixedCols(int fixedCols);
    int colCount() const { return fixedCols_ + columnCount(); }
    // Rows including the fixed header row.
    int rowCountAll() const { return rowCount() + 1; }
    void setRowCountAll(int rows);

    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);
    void setColumnTitle(int col, const QString& text);
    void setRowTitle(int row, const QString& text);

    int col() const;
    int row() const;
    // Move the cursor along one axis; the select check may refuse.
    bool setCol(int col);
    bool setRow(int row);
    // Puts the cursor on a cell without asking.
    void placeCursor(int col, int row);

    int topRow() const;
    void setTopRow(int row);

    void setSelectCheck(SelectCheck check) { selectCheck_ = std::move(check); }
    void setKeyHandlers(KeyDown keyDown, KeyPress keyPress);

signals:
    void topRowChanged(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool allowed(int col, int row) const;
    bool allowedIndex(const QModelIndex& index) const;
    bool moveTo(int col, int row);

    int fixedCols_ = 0;
    SelectCheck selectCheck_;
    KeyDown keyDown_;
    KeyPress keyPress_;
};

}  // namespace ravprobe
