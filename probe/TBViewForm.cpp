#include "TBViewForm.h"

#include <QPushButton>

#include <algorithm>
#include <vector>

#include "MailGrid.h"
#include "StdFile.h"
#include "ui_TMailDataForm.h"

namespace ravprobe {

TBViewForm::TBViewForm(QWidget* parent) : TMailDataForm(QStringLiteral("Mail Data Viewer"), 21, parent) {
    setObjectName(QStringLiteral("BViewForm"));
    ui->fileButton->setObjectName(QStringLiteral("btnWrite"));
    ui->fileButton->setText(QStringLiteral("Save File"));
    connect(ui->fileButton, &QPushButton::clicked, this, &TBViewForm::btnWriteClick);

    setFileChooser(
        [this] { return runFileDialog(QStringLiteral("SaveDialog"), QStringLiteral("バイナリデータの保存"), true); });

    const auto arrowsOnly = [this](MailGrid* grid) { return [this, grid](int key) { return arrowKey(grid, key); }; };
    ui->sgBinary->setKeyHandlers(arrowsOnly(ui->sgBinary), nullptr);
    ui->sgChar->setKeyHandlers(arrowsOnly(ui->sgChar), nullptr);
}

void TBViewForm::showData(const uint8_t* bytes, int length) {
    clearData();
    if (bytes == nullptr)
        return;
    const int count = std::min(length, kMaxBytes);
    for (int i = 0; i < count; ++i) {
        putByte(i, bytes[i]);
        advance(ui->sgChar, +1);
    }
}

void TBViewForm::btnWriteClick() {
    if (dataCount_ <= 0) {
        showError(QStringLiteral("データがありません。"));
        return;
    }
    const QString name = chooseFile();
    if (name.isEmpty())
        return;
    StdFile file;
    if (file.open(name, StdFile::Access::GenericWrite, StdFile::Disposition::CreateAlways) == 0) {
        showError(QStringLiteral("ファイルを開くことが出来ません。"));
        return;
    }
    std::vector<uint8_t> bytes(static_cast<std::size_t>(dataCount_));
    for (int i = 0; i < dataCount_; ++i)
        bytes[static_cast<std::size_t>(i)] = byteAt(i);
    const int64_t written = file.write(bytes.data(), dataCount_);
    file.close();
    // A short write loses data; say so rather than leave a truncated file unnoticed.
    if (written != dataCount_)
        showError(QStringLiteral("ファイルに書き込むことが出来ません。"));
}

}  // namespace ravprobe
