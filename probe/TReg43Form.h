// The register window; it shows the chip's registers once it is filled in.
#pragma once

#include <QDialog>

namespace ravprobe {

class TReg43Form : public QDialog {
  Q_OBJECT
 public:
  explicit TReg43Form(QWidget* parent = nullptr);
};

}  // namespace ravprobe
