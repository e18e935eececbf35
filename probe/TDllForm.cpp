#include "TDllForm.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include "BoardList.h"

namespace ravprobe {

TDllForm::TDllForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("DllForm"));
  setWindowTitle(QStringLiteral("Board Select"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(369, 190);

  auto* groupBox = new QGroupBox(QStringLiteral("Board Select"), this);
  groupBox->setObjectName(QStringLiteral("GroupBox1"));
  groupBox->setStyleSheet(QStringLiteral("QGroupBox { font-weight: bold; }"));
  groupBox->setGeometry(16, 12, 337, 105);

  comboBoxDllName_ = new QComboBox(groupBox);
  comboBoxDllName_->setObjectName(QStringLiteral("ComboBoxDllName"));
  comboBoxDllName_->setEditable(false);
  comboBoxDllName_->addItems(boardItems());
  comboBoxDllName_->setGeometry(24, 44, 289, 26);

  auto* btnOk = new QPushButton(QStringLiteral("OK"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setGeometry(88, 138, 89, 30);
  btnOk->setDefault(true);
  auto* btnExit = new QPushButton(QStringLiteral("Exit"), this);
  btnExit->setObjectName(QStringLiteral("btnExit"));
  btnExit->setGeometry(192, 138, 89, 30);
  btnExit->setAutoDefault(false);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
}

int TDllForm::selectedItem() const { return comboBoxDllName_->currentIndex(); }

void TDllForm::showEvent(QShowEvent* event) {
  comboBoxDllName_->setCurrentIndex(0);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  QDialog::showEvent(event);
}

}  // namespace ravprobe
