// The register window: every MKY43 register refreshed each 100 ms, and the
// writable ones written row by row from their write fields.
#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <memory>

#include "chip/Mky43.h"

class QLineEdit;
class QTimer;

namespace ravprobe {

namespace Ui {
class TReg43Form;
}

struct BoardState;
class EntryCaller;

class TReg43Form : public QDialog {
    Q_OBJECT
public:
    // A row per register, the tag its place in the chip's address order.
    static constexpr int kRows = static_cast<int>(mky43::kRegisterCount);

    TReg43Form(const EntryCaller& caller, const BoardState& state, QWidget* parent = nullptr);
    ~TReg43Form() override;

    // The tag's register offset in the chip window.
    static int offsetOf(int tag);
    bool refreshing() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void TimerRegReadTimer();
    void btnWriteClick(int tag);
    // The register's value, or nothing when the call fails.
    bool readRegister(int offset, int width, uint64_t* value) const;
    void writeRegister(int offset, int width, uint64_t value) const;

    std::unique_ptr<Ui::TReg43Form> ui;
    const EntryCaller& caller_;
    const BoardState& state_;
    QTimer* TimerRegRead_;
    std::array<QLineEdit*, kRows> readFields_{};
    std::array<QLineEdit*, kRows> writeFields_{};
};

}  // namespace ravprobe
