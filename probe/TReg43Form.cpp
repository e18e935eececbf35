#include "TReg43Form.h"

#include <QFontDatabase>
#include <QTimer>

#include <cstring>

#include "BoardState.h"
#include "EntryCaller.h"
#include "NumberText.h"
#include "ui_TReg43Form.h"

namespace ravprobe {

namespace {

const mky43::Register& registerOf(int tag) {
    return mky43::kRegisterMap[static_cast<std::size_t>(tag)];
}

// "LGR" → "Lgr", the name part of the row's controls.
QString controlName(const mky43::Register& reg) {
    const QString text = QString::fromLatin1(reg.name.data(), static_cast<qsizetype>(reg.name.size()));
    return text.left(1) + text.mid(1).toLower();
}

}  // namespace

int TReg43Form::offsetOf(int tag) {
    return static_cast<int>(registerOf(tag).offset);
}

TReg43Form::TReg43Form(const EntryCaller& caller, const BoardState& state, QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::TReg43Form>()), caller_(caller), state_(state),
      TimerRegRead_(new QTimer(this)) {
    ui->setupUi(this);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // Each row's controls carry the register's name; a read-only register has
    // no write field and no Write button.
    for (int tag = 0; tag < kRows; ++tag) {
        const QString name = controlName(registerOf(tag));
        QLineEdit* read = findChild<QLineEdit*>(QStringLiteral("edt") + name);
        QLineEdit* write = findChild<QLineEdit*>(QStringLiteral("edtW") + name);
        if (read == nullptr)
            qWarning("Register window: no row for %s", qPrintable(name));
        for (QLineEdit* field : {read, write}) {
            if (field != nullptr)
                field->setFont(fixed);
        }
        readFields_[static_cast<std::size_t>(tag)] = read;
        writeFields_[static_cast<std::size_t>(tag)] = write;
        if (auto* button = findChild<QPushButton*>(QStringLiteral("btn") + name))
            connect(button, &QPushButton::clicked, this, [this, tag] { btnWriteClick(tag); });
    }
    connect(ui->btnExit, &QPushButton::clicked, this, &QDialog::reject);

    TimerRegRead_->setObjectName(QStringLiteral("TimerRegRead"));
    TimerRegRead_->setInterval(100);
    connect(TimerRegRead_, &QTimer::timeout, this, &TReg43Form::TimerRegReadTimer);
}

TReg43Form::~TReg43Form() = default;

bool TReg43Form::refreshing() const {
    return TimerRegRead_->isActive();
}

void TReg43Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TReg43Form::FormShow() {
    TimerRegRead_->start();
    for (int tag = 0; tag < kRows; ++tag) {
        QLineEdit* write = writeFields_[static_cast<std::size_t>(tag)];
        if (write == nullptr)
            continue;
        write->setText(registerOf(tag).bits == 64 ? QStringLiteral("0x0000000000000000") : QStringLiteral("0x0000"));
    }
    TimerRegReadTimer();
}

void TReg43Form::TimerRegReadTimer() {
    for (int tag = 0; tag < kRows; ++tag) {
        const mky43::Register& reg = registerOf(tag);
        QLineEdit* field = readFields_[static_cast<std::size_t>(tag)];
        uint64_t value = 0;
        // A failed read leaves the field's previous text.
        if (field == nullptr || !readRegister(static_cast<int>(reg.offset), static_cast<int>(reg.bits), &value))
            continue;
        QString text;
        // The chip code is eight letters, shown as text.
        if (reg.offset == mky43::CCR) {
            char code[9] = {};
            std::memcpy(code, &value, 8);
            text = QString::fromLatin1(code);
        } else {
            text = QStringLiteral("%1").arg(value, static_cast<int>(reg.bits) / 4, 16, QLatin1Char('0')).toUpper();
        }
        field->setText(text);
    }
}

void TReg43Form::btnWriteClick(int tag) {
    const QLineEdit* field = writeFields_[static_cast<std::size_t>(tag)];
    if (field == nullptr)
        return;
    const mky43::Register& reg = registerOf(tag);
    writeRegister(static_cast<int>(reg.offset), static_cast<int>(reg.bits),
                  static_cast<uint64_t>(StrToInt64Def(field->text())));
}

bool TReg43Form::readRegister(int offset, int width, uint64_t* value) const {
    const int board = state_.board;
    const int line = state_.line;
    if (width == 64) {
        int32_t halves[2] = {0, 0};
        if (caller_.callQuiet<Entry::RV_GetReg64>(board, line, offset, halves).value_or(-1) != 0)
            return false;
        *value = static_cast<uint32_t>(halves[0]) | (uint64_t{static_cast<uint32_t>(halves[1])} << 32);
        return true;
    }
    if (width == 32) {
        int32_t word = 0;
        if (caller_.callQuiet<Entry::RV_GetReg32>(board, line, offset, &word).value_or(-1) != 0)
            return false;
        *value = static_cast<uint32_t>(word);
        return true;
    }
    uint16_t word = 0;
    if (caller_.callQuiet<Entry::RV_GetReg16>(board, line, offset, &word).value_or(-1) != 0)
        return false;
    *value = word;
    return true;
}

void TReg43Form::writeRegister(int offset, int width, uint64_t value) const {
    const int board = state_.board;
    const int line = state_.line;
    if (width == 64) {
        caller_.call<Entry::RV_SetReg64>(board, line, offset, static_cast<int32_t>(static_cast<uint32_t>(value)),
                                         static_cast<int32_t>(static_cast<uint32_t>(value >> 32)));
    } else if (width == 32) {
        caller_.call<Entry::RV_SetReg32>(board, line, offset, static_cast<int32_t>(static_cast<uint32_t>(value)));
    } else {
        caller_.call<Entry::RV_SetReg16>(board, line, offset, static_cast<int32_t>(value & 0xFFFF));
    }
}

}  // namespace ravprobe
