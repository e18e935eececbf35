#include "TReg43Form.h"

#include <QLabel>
#include <QPushButton>

namespace ravprobe {

TReg43Form::TReg43Form(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("Reg43Form"));
  setWindowTitle(QStringLiteral("Register"));
  auto* label = new QLabel(QStringLiteral("Register View:"), this);
  label->move(8, 8);
  auto* btnExit = new QPushButton(QStringLiteral("Close"), this);
  btnExit->setObjectName(QStringLiteral("btnExit"));
  btnExit->setAutoDefault(false);
  btnExit->setGeometry(8, 36, 100, 25);
  connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
}

}  // namespace ravprobe
