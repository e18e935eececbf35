#include "TDllForm.h"

#include <QGuiApplication>
#include <QScreen>

#include "BoardList.h"
#include "ui_TDllForm.h"

namespace ravprobe {

TDllForm::TDllForm(QWidget* parent) : QDialog(parent), ui(std::make_unique<Ui::TDllForm>()) {
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ui->ComboBoxDllName->addItems(boardItems());
    connect(ui->btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->btnExit, &QPushButton::clicked, this, &QDialog::reject);
}

TDllForm::~TDllForm() = default;

int TDllForm::selectedItem() const {
    return ui->ComboBoxDllName->currentIndex();
}

void TDllForm::showEvent(QShowEvent* event) {
    ui->ComboBoxDllName->setCurrentIndex(0);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    QDialog::showEvent(event);
}

}  // namespace ravprobe
