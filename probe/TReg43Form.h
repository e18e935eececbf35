// The register window: every MKY43 register refreshed each 100 ms, and the
// writable ones written row by row from their write fields.
#pragma once

#include <QDialog>

#include <array>
#include <cstdint>

class QLineEdit;
class QTimer;

namespace ravprobe {

struct BoardState;
class EntryCaller;

class TReg43Form : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kRows = 36;
  static constexpr int kChipCodeTag = 31;

  TReg43Form(const EntryCaller& caller, const BoardState& state, QWidget* parent = nullptr);

  // The tag's register offset in the chip window.
  static int offsetOf(int tag);
  bool refreshing() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void TimerRegReadTimer();
  void btnWriteClick(int tag, bool wide);
  // The register's value, or nothing when the call fails.
  bool readRegister(int offset, int width, uint64_t* value) const;
  void writeRegister(int offset, int width, uint64_t value) const;

  const EntryCaller& caller_;
  const BoardState& state_;
  QTimer* TimerRegRead_;
  std::array<QLineEdit*, kRows> readFields_{};
  std::array<QLineEdit*, kRows> writeFields_{};
};

}  // namespace ravprobe
