#include "TMailDataForm.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "MailGrid.h"

namespace ravprobe {

namespace {

constexpr int kColumns = 16;
constexpr int kRowHeight = 22;

// Sized so two digits fit the 22-pixel cells with the view's own margins.
QFont gridFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(13);
  return font;
}

void setUpGrid(MailGrid* grid, int dataColumnWidth) {
  grid->setFont(gridFont());
  grid->setTextElideMode(Qt::ElideNone);
  grid->setRowCountAll(2);
  grid->horizontalHeader()->setMinimumSectionSize(dataColumnWidth);
  grid->horizontalHeader()->setDefaultSectionSize(dataColumnWidth);
  grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  grid->horizontalHeader()->setFixedHeight(kRowHeight);
  grid->verticalHeader()->setMinimumSectionSize(kRowHeight);
  grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
  grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

}  // namespace

QString byteChar(uint8_t value) { return QString(QChar(static_cast<char16_t>(value))); }

QString byteHex(uint8_t value) { return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper(); }

TMailDataForm::TMailDataForm(const QString& caption, int binaryTop, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(caption);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(629, 290);
  QFont formFont = font();
  formFont.setPixelSize(12);
  setFont(formFont);

  auto* lblBinary = new QLabel(QStringLiteral("Binary"), this);
  lblBinary->setObjectName(QStringLiteral("lblBinary"));
  lblBinary->move(9, 5);
  auto* lblChar = new QLabel(QStringLiteral("Character"), this);
  lblChar->setObjectName(QStringLiteral("lblChar"));
  lblChar->move(409, 6);

  sgBinary_ = new MailGrid(1, kColumns + 1, this);
  sgBinary_->setObjectName(QStringLiteral("sgBinary"));
  sgBinary_->setGeometry(7, binaryTop, 401, 225);
  setUpGrid(sgBinary_, 22);
  sgBinary_->verticalHeader()->setFixedWidth(45);
  sgBinary_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  sgBinary_->setSelectionMode(QAbstractItemView::ContiguousSelection);
  for (int c = 1; c <= kColumns; ++c) sgBinary_->setColumnTitle(c, QStringLiteral("+%1").arg(c - 1, 0, 16).toUpper());
  sgBinary_->setRowTitle(1, QStringLiteral("0000"));

  sgChar_ = new MailGrid(0, kColumns, this);
  sgChar_->setObjectName(QStringLiteral("sgChar"));
  sgChar_->setGeometry(408, 20, 213, 225);
  setUpGrid(sgChar_, 12);
  sgChar_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  sgChar_->setSelectionMode(QAbstractItemView::SingleSelection);
  for (int c = 0; c < kColumns; ++c) sgChar_->setColumnTitle(c, QString::number(c, 16).toUpper());

  sgBinary_->setSelectCheck([this](int c, int r) { return sgBinarySelectCell(c, r); });
  sgChar_->setSelectCheck([this](int c, int r) { return sgCharSelectCell(c, r); });
  connect(sgBinary_, &MailGrid::topRowChanged, sgChar_, &MailGrid::setTopRow);
  connect(sgChar_, &MailGrid::topRowChanged, sgBinary_, &MailGrid::setTopRow);
  sgBinary_->placeCursor(1, 1);
  sgChar_->placeCursor(0, 1);

  fileButton_ = new QPushButton(this);
  fileButton_->setGeometry(65, 255, 133, 25);
  btnClear_ = new QPushButton(QStringLiteral("Data Clear"), this);
  btnClear_->setObjectName(QStringLiteral("btnClear"));
  btnClear_->setGeometry(249, 255, 133, 25);
  btnClose_ = new QPushButton(QStringLiteral("Close"), this);
  btnClose_->setObjectName(QStringLiteral("btnClose"));
  btnClose_->setGeometry(433, 255, 133, 25);
  for (QPushButton* button : {fileButton_, btnClear_, btnClose_}) button->setAutoDefault(false);
  connect(btnClear_, &QPushButton::clicked, this, &TMailDataForm::btnClearClick);
  connect(btnClose_, &QPushButton::clicked, this, &QDialog::reject);
}

int TMailDataForm::indexOf(const MailGrid* grid, int col, int row) const {
  return col - grid->fixedCols() + kColumns * (row - 1);
}

int TMailDataForm::cursorIndex(const MailGrid* grid) const { return indexOf(grid, grid->col(), grid->row()); }

MailGrid* TMailDataForm::otherGrid(const MailGrid* grid) const { return grid == sgBinary_ ? sgChar_ : sgBinary_; }

bool TMailDataForm::refused(const MailGrid* grid, int col, int row) const {
  const int endCol = dataCount_ % kColumns + grid->fixedCols();
  const int endRow = dataCount_ / kColumns + 1;
  return row > endRow || (row == endRow && col > endCol);
}

void TMailDataForm::moveTo(MailGrid* first, int index, bool rowFirst) {
  if (index < 0 || index > kMaxBytes) return;
  for (MailGrid* grid : {first, otherGrid(first)}) {
    const int col = index % kColumns + grid->fixedCols();
    const int row = index / kColumns + 1;
    if (rowFirst) {
      grid->setRow(row);
      grid->setCol(col);
    } else {
      grid->setCol(col);
      grid->setRow(row);
    }
  }
}

void TMailDataForm::advance(MailGrid* grid, int direction) {
  const int p = cursorIndex(grid);
  if (grid->col() == grid->colCount() - 1 && grid->row() == grid->rowCountAll() - 1) addRow();
  if (p == dataCount_) ++dataCount_;
  // Left of the first byte there is no cell: the byte is counted, the cursor stays.
  moveTo(grid, p + direction, false);
}

void TMailDataForm::addRow() {
  const int rows = sgBinary_->rowCountAll() + 1;
  sgBinary_->setRowCountAll(rows);
  sgChar_->setRowCountAll(rows);
  sgBinary_->setRowTitle(rows - 1, QStringLiteral("%1").arg(kColumns * (rows - 2), 4, 16, QLatin1Char('0')).toUpper());
}

void TMailDataForm::dropRow() {
  const int rows = sgBinary_->rowCountAll() - 1;
  sgBinary_->setRowCountAll(rows);
  sgChar_->setRowCountAll(rows);
}

void TMailDataForm::clearData() {
  sgBinary_->placeCursor(1, 1);
  sgChar_->placeCursor(0, 1);
  sgBinary_->setRowCountAll(2);
  sgChar_->setRowCountAll(2);
  // Every cell of the remaining row, the end cell too: a half-typed byte
  // there would otherwise outlive the clearing.
  for (int i = 0; i < kColumns; ++i) {
    sgBinary_->setCell(i + 1, 1, QString());
    sgChar_->setCell(i, 1, QString());
  }
  dataCount_ = 0;
}

bool TMailDataForm::arrowKey(MailGrid* grid, int key) {
  const int p = cursorIndex(grid);
  switch (key) {
    case Qt::Key_F2:
      return true;
    case Qt::Key_Up:
      if (p > kColumns - 1) moveTo(grid, p - kColumns, true);
      return true;
    case Qt::Key_Down:
      if (dataCount_ - p > kColumns - 1) moveTo(grid, p + kColumns, false);
      return true;
    case Qt::Key_Right:
      if (p != dataCount_) moveTo(grid, p + 1, false);
      return true;
    case Qt::Key_Left:
      if (p != 0) moveTo(grid, p - 1, true);
      return true;
    default:
      return false;
  }
}

uint8_t TMailDataForm::byteAt(int index) const {
  bool ok = false;
  const uint value = sgBinary_->cell(index % kColumns + 1, index / kColumns + 1).toUInt(&ok, 16);
  return ok ? static_cast<uint8_t>(value & 0xFF) : 0;
}

void TMailDataForm::putByte(int index, uint8_t value) {
  sgBinary_->setCell(index % kColumns + 1, index / kColumns + 1, byteHex(value));
  sgChar_->setCell(index % kColumns, index / kColumns + 1, byteChar(value));
}

void TMailDataForm::showError(const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, this);
  box.setObjectName(QStringLiteral("ErrorBox"));
  box.exec();
}

void TMailDataForm::btnClearClick() {
  clearData();
  btnClear_->setFocus();
}

}  // namespace ravprobe
