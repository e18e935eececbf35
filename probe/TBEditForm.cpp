#include "TBEditForm.h"

#include <QFileInfo>
#include <QPushButton>

#include <algorithm>
#include <array>

#include "MailGrid.h"
#include "StdFile.h"
#include "ui_TMailDataForm.h"

namespace ravprobe {

namespace {

constexpr int kColumns = 16;

bool isHexDigit(QChar ch) {
    static const QString kAccepted = QStringLiteral("0123456789abcedfABCDEF");
    return kAccepted.contains(ch);
}

}  // namespace

TBEditForm::TBEditForm(QWidget* parent) : TMailDataForm(QStringLiteral("Mail Data Editer"), 20, parent) {
    setObjectName(QStringLiteral("BEditForm"));
    ui->fileButton->setObjectName(QStringLiteral("btnRead"));
    ui->fileButton->setText(QStringLiteral("Load File"));
    connect(ui->fileButton, &QPushButton::clicked, this, &TBEditForm::btnReadClick);

    setFileChooser(
        [this] { return runFileDialog(QStringLiteral("OpenDialog"), QStringLiteral("バイナリデータを開く"), false); });

    ui->sgBinary->setKeyHandlers([this](int key) { return sgBinaryKeyDown(key); },
                                 [this](QChar ch) { sgBinaryKeyPress(ch); });
    ui->sgChar->setKeyHandlers([this](int key) { return sgCharKeyDown(key); },
                               [this](QChar ch) { sgCharKeyPress(ch); });
}

int TBEditForm::getData(uint8_t* buffer, int length) const {
    if (buffer == nullptr || length <= 0)
        return 0;
    const int n = std::min(dataCount_, length);
    for (int i = 0; i < n; ++i)
        buffer[i] = byteAt(i);
    return n;
}

bool TBEditForm::sgBinarySelectCell(int col, int row) {
    if (refused(ui->sgBinary, col, row))
        return false;
    nibblePending_ = 0;
    return true;
}

void TBEditForm::clearData() {
    TMailDataForm::clearData();
    nibblePending_ = 0;
}

bool TBEditForm::sgBinaryKeyDown(int key) {
    if (nibblePending_ == 1) {
        switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Backspace:
        case Qt::Key_Delete:
            // The half-typed byte is complete before the key acts.
            advance(ui->sgBinary, 0);
            nibblePending_ = 0;
            break;
        case Qt::Key_Right:
            advance(ui->sgBinary, +1);
            nibblePending_ = 0;
            return true;
        case Qt::Key_Left:
            advance(ui->sgBinary, -1);
            nibblePending_ = 0;
            return true;
        default: break;
        }
    }
    if (key == Qt::Key_Backspace) {
        deleteBefore(ui->sgBinary);
        return true;
    }
    if (key == Qt::Key_Delete) {
        deleteAt(ui->sgBinary);
        return true;
    }
    return arrowKey(ui->sgBinary, key);
}

void TBEditForm::sgBinaryKeyPress(QChar ch) {
    const int p = cursorIndex(ui->sgBinary);
    if (!isHexDigit(ch) || p >= kMaxBytes)
        return;
    const int col = ui->sgBinary->col();
    const int row = ui->sgBinary->row();
    const QString text = nibblePending_ == 0 ? QStringLiteral("0") + ch : ui->sgBinary->cell(col, row).mid(1) + ch;
    ui->sgBinary->setCell(col, row, text);
    ui->sgChar->setCell(p % kColumns, row, byteChar(static_cast<uint8_t>(text.toUInt(nullptr, 16) & 0xFF)));
    if (nibblePending_ == 0) {
        nibblePending_ = 1;
        return;
    }
    advance(ui->sgBinary, +1);
    nibblePending_ = 0;
}

bool TBEditForm::sgCharKeyDown(int key) {
    if (key == Qt::Key_Backspace) {
        deleteBefore(ui->sgChar);
        return true;
    }
    if (key == Qt::Key_Delete) {
        deleteAt(ui->sgChar);
        return true;
    }
    return arrowKey(ui->sgChar, key);
}

void TBEditForm::sgCharKeyPress(QChar ch) {
    // A character is one byte; one that needs more cannot be a data byte.
    if (ch == QLatin1Char('\b') || ch.unicode() > 0xFF)
        return;
    const int p = cursorIndex(ui->sgChar);
    if (p >= kMaxBytes)
        return;
    putByte(p, static_cast<uint8_t>(ch.unicode()));
    advance(ui->sgChar, +1);
}

void TBEditForm::shiftDown(int from) {
    for (int i = from; i <= dataCount_; ++i) {
        const int row = i / kColumns + 1;
        const int toRow = (i - 1) / kColumns + 1;
        ui->sgBinary->setCell((i - 1) % kColumns + 1, toRow, ui->sgBinary->cell(i % kColumns + 1, row));
        ui->sgChar->setCell((i - 1) % kColumns, toRow, ui->sgChar->cell(i % kColumns, row));
    }
}

void TBEditForm::deleteBefore(MailGrid* grid) {
    const int p = cursorIndex(grid);
    if (p == 0)
        return;
    shiftDown(p);
    moveTo(grid, p - 1, true);
    if (dataCount_ % kColumns == 0)
        dropRow();
    --dataCount_;
}

void TBEditForm::deleteAt(MailGrid* grid) {
    const int p = cursorIndex(grid);
    if (p == dataCount_)
        return;
    shiftDown(p + 1);
    if (dataCount_ % kColumns == 0)
        dropRow();
    --dataCount_;
}

void TBEditForm::btnReadClick() {
    const QString name = chooseFile();
    if (name.isEmpty())
        return;
    const QString cannotOpen = QStringLiteral("ファイルを開くことが出来ません。");
    if (!QFileInfo::exists(name)) {
        showError(cannotOpen);
        return;
    }
    StdFile file;
    if (file.open(name, StdFile::Access::GenericRead, StdFile::Disposition::OpenExisting) == 0) {
        showError(cannotOpen);
        return;
    }
    std::array<uint8_t, kMaxBytes> bytes{};
    const int64_t wanted = std::min<int64_t>(file.size(), kMaxBytes);
    const int64_t got = file.read(bytes.data(), wanted);
    file.close();
    if (got < 0) {
        showError(cannotOpen);
        return;
    }
    clearData();
    // Only what was really read: a file that shrank meanwhile loads no stale bytes.
    for (int i = 0; i < got; ++i) {
        putByte(i, bytes[static_cast<std::size_t>(i)]);
        advance(ui->sgChar, +1);
    }
    ui->fileButton->setFocus();
}

}  // namespace ravprobe
