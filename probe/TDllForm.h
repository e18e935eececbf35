// The board-select dialog shown once at start: which kind of board is fitted.
#pragma once

#include <QDialog>

class QComboBox;

namespace ravprobe {

class TDllForm : public QDialog {
  Q_OBJECT
 public:
  explicit TDllForm(QWidget* parent = nullptr);

  int selectedItem() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QComboBox* comboBoxDllName_;
};

}  // namespace ravprobe
