#include "TMailDataForm.h"

#include <QFileDialog>
#include <QFontDatabase>
#include <QHeaderView>
#include <QMessageBox>

#include "MailGrid.h"
#include "ui_TMailDataForm.h"

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

}  // namespace

QString byteChar(uint8_t value) {
    return QString(QChar(static_cast<char16_t>(value)));
}

QString byteHex(uint8_t value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

TMailDataForm::TMailDataForm(const QString& caption, int binaryTop, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TMailDataForm>()) {
    ui->setupUi(this);
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QFont formFont = font();
    formFont.setPixelSize(12);
    setFont(formFont);
    ui->sgBinary->move(ui->sgBinary->x(), binaryTop);
    for (MailGrid* grid : {ui->sgBinary, ui->sgChar}) {
        grid->setFont(gridFont());
        grid->horizontalHeader()->setFixedHeight(kRowHeight);
    }
    ui->sgBinary->verticalHeader()->setFixedWidth(45);

    ui->sgBinary->setSelectCheck([this](int c, int r) { return sgBinarySelectCell(c, r); });
    ui->sgChar->setSelectCheck([this](int c, int r) { return sgCharSelectCell(c, r); });
    connect(ui->sgBinary, &MailGrid::topRowChanged, ui->sgChar, &MailGrid::setTopRow);
    connect(ui->sgChar, &MailGrid::topRowChanged, ui->sgBinary, &MailGrid::setTopRow);
    ui->sgBinary->placeCursor(1, 1);
    ui->sgChar->placeCursor(0, 1);

    connect(ui->btnClear, &QPushButton::clicked, this, &TMailDataForm::btnClearClick);
    connect(ui->btnClose, &QPushButton::clicked, this, &QDialog::reject);
}

TMailDataForm::~TMailDataForm() = default;

int TMailDataForm::indexOf(const MailGrid* grid, int col, int row) const {
    return col - grid->fixedCols() + kColumns * (row - 1);
}

int TMailDataForm::cursorIndex(const MailGrid* grid) const {
    return indexOf(grid, grid->col(), grid->row());
}

MailGrid* TMailDataForm::otherGrid(const MailGrid* grid) const {
    return grid == ui->sgBinary ? ui->sgChar : ui->sgBinary;
}

bool TMailDataForm::refused(const MailGrid* grid, int col, int row) const {
    const int endCol = dataCount_ % kColumns + grid->fixedCols();
    const int endRow = dataCount_ / kColumns + 1;
    return row > endRow || (row == endRow && col > endCol);
}

bool TMailDataForm::sgBinarySelectCell(int col, int row) {
    return !refused(ui->sgBinary, col, row);
}

bool TMailDataForm::sgCharSelectCell(int col, int row) {
    return !refused(ui->sgChar, col, row);
}

void TMailDataForm::moveTo(MailGrid* first, int index, bool rowFirst) {
    if (index < 0 || index > kMaxBytes)
        return;
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
    if (grid->col() == grid->colCount() - 1 && grid->row() == grid->rowCountAll() - 1)
        addRow();
    if (p == dataCount_)
        ++dataCount_;
    // Left of the first byte there is no cell: the byte is counted, the cursor stays.
    moveTo(grid, p + direction, false);
}

void TMailDataForm::addRow() {
    const int rows = ui->sgBinary->rowCountAll() + 1;
    ui->sgBinary->setRowCountAll(rows);
    ui->sgChar->setRowCountAll(rows);
    ui->sgBinary->setRowTitle(rows - 1,
                              QStringLiteral("%1").arg(kColumns * (rows - 2), 4, 16, QLatin1Char('0')).toUpper());
}

void TMailDataForm::dropRow() {
    const int rows = ui->sgBinary->rowCountAll() - 1;
    ui->sgBinary->setRowCountAll(rows);
    ui->sgChar->setRowCountAll(rows);
}

void TMailDataForm::clearData() {
    ui->sgBinary->placeCursor(1, 1);
    ui->sgChar->placeCursor(0, 1);
    ui->sgBinary->setRowCountAll(2);
    ui->sgChar->setRowCountAll(2);
    // Every cell of the remaining row, the end cell too: a half-typed byte
    // there would otherwise outlive the clearing.
    for (int i = 0; i < kColumns; ++i) {
        ui->sgBinary->setCell(i + 1, 1, QString());
        ui->sgChar->setCell(i, 1, QString());
    }
    dataCount_ = 0;
}

bool TMailDataForm::arrowKey(MailGrid* grid, int key) {
    const int p = cursorIndex(grid);
    switch (key) {
    case Qt::Key_F2: return true;
    case Qt::Key_Up:
        if (p > kColumns - 1)
            moveTo(grid, p - kColumns, true);
        return true;
    case Qt::Key_Down:
        if (dataCount_ - p > kColumns - 1)
            moveTo(grid, p + kColumns, false);
        return true;
    case Qt::Key_Right:
        if (p != dataCount_)
            moveTo(grid, p + 1, false);
        return true;
    case Qt::Key_Left:
        if (p != 0)
            moveTo(grid, p - 1, true);
        return true;
    default: return false;
    }
}

uint8_t TMailDataForm::byteAt(int index) const {
    bool ok = false;
    const uint value = ui->sgBinary->cell(index % kColumns + 1, index / kColumns + 1).toUInt(&ok, 16);
    return ok ? static_cast<uint8_t>(value & 0xFF) : 0;
}

void TMailDataForm::putByte(int index, uint8_t value) {
    ui->sgBinary->setCell(index % kColumns + 1, index / kColumns + 1, byteHex(value));
    ui->sgChar->setCell(index % kColumns, index / kColumns + 1, byteChar(value));
}

void TMailDataForm::showError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("ErrorBox"));
    box.exec();
}

QString TMailDataForm::runFileDialog(const QString& name, const QString& title, bool save) {
    // Made on first use: a file dialog costs a file-system scan at start-up.
    if (fileDialog_ == nullptr) {
        fileDialog_ = new QFileDialog(this, title, QString(), QStringLiteral("すべてのファイル (*)"));
        fileDialog_->setObjectName(name);
        fileDialog_->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        fileDialog_->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    }
    if (fileDialog_->exec() != QDialog::Accepted)
        return QString();
    return fileDialog_->selectedFiles().value(0);
}

void TMailDataForm::btnClearClick() {
    clearData();
    ui->btnClear->setFocus();
}

}  // namespace ravprobe
