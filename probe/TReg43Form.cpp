#include "TReg43Form.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstring>

#include "BoardState.h"
#include "EntryCaller.h"
#include "NumberText.h"

namespace ravprobe {

namespace {

struct RegisterRow {
  const char* label;
  int width;  // 16 or 64
  bool writable;
};

constexpr RegisterRow kRegisters[TReg43Form::kRows] = {
    {"RFR", 64, false},   {"LFR", 64, false},   {"MFR", 64, false},    {"DRFR", 64, false},  {"LGR", 64, true},
    {"MGR", 64, true},    {"DRCR", 64, true},   {"RHCR0", 16, true},   {"RHCR1", 16, true},  {"WHCR0", 16, true},
    {"WHCR1", 16, true},  {"MSLR", 16, true},   {"MSRR", 16, false},   {"MESR", 16, true},   {"MSCR", 16, true},
    {"MR0CR", 16, true},  {"MR1CR", 16, true},  {"CCTR", 16, true},    {"UTCR", 16, true},   {"QCR", 16, true},
    {"NFSR", 16, true},   {"FSR", 16, false},   {"BCR", 16, true},     {"INT0CR", 16, true}, {"INT1CR", 16, true},
    {"IT0CR", 16, true},  {"IT1CR", 16, true},  {"INT0SR", 16, true},  {"INT1SR", 16, true}, {"SSR", 16, true},
    {"SCR", 16, true},    {"CCR", 64, false},   {"RHPB0", 64, false},  {"RHPB1", 64, false}, {"WHPB0", 64, true},
    {"WHPB1", 64, true},
};

struct Group {
  const char* caption;
  std::initializer_list<int> tags;
};

const Group kGroups[] = {
    {"Communication Control Register", {0, 1, 2, 3, 4, 5, 6, 17, 18, 19, 20, 21, 22, 29, 30, 31}},
    {"Mail Control Register", {11, 12, 13, 14, 15, 16}},
    {"Int Control Register", {23, 24, 25, 26, 27, 28}},
    {"Read/Write Hazard Register", {32, 33, 34, 35, 7, 8, 9, 10}},
};

// "LGR" → "Lgr", the name part of the row's controls.
QString controlName(const char* label) {
  const QString text = QLatin1String(label);
  return text.left(1) + text.mid(1).toLower();
}

constexpr int kRowHeight = 24;

}  // namespace

int TReg43Form::offsetOf(int tag) {
  if (tag < 8) return 0x300 + 8 * tag;
  if (tag < 32) return 0x33A + 2 * (tag - 8);
  return 0x370 + 8 * (tag - 32);
}

TReg43Form::TReg43Form(const EntryCaller& caller, const BoardState& state, QWidget* parent)
    : QDialog(parent), caller_(caller), state_(state), TimerRegRead_(new QTimer(this)) {
  setObjectName(QStringLiteral("Reg43Form"));
  setWindowTitle(QStringLiteral("Register"));
  auto* label = new QLabel(QStringLiteral("Register View:"), this);
  label->move(8, 8);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  // Two columns of groups: the long communication group on the left.
  const int columnX[2] = {8, 470};
  int columnY[2] = {30, 30};
  int groupIndex = 0;
  for (const Group& group : kGroups) {
    const int column = groupIndex == 0 ? 0 : 1;
    ++groupIndex;
    const int height = 24 + kRowHeight * static_cast<int>(group.tags.size());
    auto* box = new QGroupBox(QLatin1String(group.caption), this);
    box->setGeometry(columnX[column], columnY[column], 454, height);
    columnY[column] += height + 6;
    int y = 20;
    for (int tag : group.tags) {
      const RegisterRow& row = kRegisters[tag];
      const QString name = controlName(row.label);
      auto* caption = new QLabel(QLatin1String(row.label), box);
      caption->setGeometry(8, y + 2, 56, 18);
      // A 64-bit field holds 16 digits, a 16-bit one 4.
      const int fieldWidth = row.width == 64 ? 150 : 60;
      auto* read = new QLineEdit(box);
      read->setObjectName(QStringLiteral("edt") + name);
      read->setReadOnly(true);
      read->setFont(fixed);
      read->setGeometry(64, y, fieldWidth, 21);
      read->setProperty("tag", tag);
      readFields_[static_cast<std::size_t>(tag)] = read;
      if (row.writable) {
        auto* write = new QLineEdit(box);
        write->setObjectName(QStringLiteral("edtW") + name);
        write->setFont(fixed);
        write->setGeometry(220, y, fieldWidth + 20, 21);
        write->setProperty("tag", tag);
        writeFields_[static_cast<std::size_t>(tag)] = write;
        auto* button = new QPushButton(QStringLiteral("Write"), box);
        button->setObjectName(QStringLiteral("btn") + name);
        button->setAutoDefault(false);
        button->setGeometry(394, y, 52, 21);
        button->setProperty("tag", tag);
        connect(button, &QPushButton::clicked, this, [this, tag, name] {
          static const QStringList wide = {QStringLiteral("Lgr"), QStringLiteral("Mgr"), QStringLiteral("Drcr"),
                                           QStringLiteral("Whpb0"), QStringLiteral("Whpb1")};
          btnWriteClick(tag, wide.contains(name));
        });
      }
      y += kRowHeight;
    }
  }
  auto* btnExit = new QPushButton(QStringLiteral("Close"), this);
  btnExit->setObjectName(QStringLiteral("btnExit"));
  btnExit->setAutoDefault(false);
  const int bottom = std::max(columnY[0], columnY[1]);
  btnExit->setGeometry(columnX[1] + 354, bottom + 4, 100, 25);
  connect(btnExit, &QPushButton::clicked, this, &QDialog::reject);
  setFixedSize(columnX[1] + 462, bottom + 38);

  TimerRegRead_->setObjectName(QStringLiteral("TimerRegRead"));
  TimerRegRead_->setInterval(100);
  connect(TimerRegRead_, &QTimer::timeout, this, &TReg43Form::TimerRegReadTimer);
}

bool TReg43Form::refreshing() const { return TimerRegRead_->isActive(); }

void TReg43Form::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TReg43Form::FormShow() {
  TimerRegRead_->start();
  for (int tag = 0; tag < kRows; ++tag) {
    QLineEdit* write = writeFields_[static_cast<std::size_t>(tag)];
    if (write == nullptr) continue;
    write->setText(kRegisters[tag].width == 64 ? QStringLiteral("0x0000000000000000") : QStringLiteral("0x0000"));
  }
  TimerRegReadTimer();
}

void TReg43Form::TimerRegReadTimer() {
  for (int tag = 0; tag < kRows; ++tag) {
    const RegisterRow& row = kRegisters[tag];
    uint64_t value = 0;
    // A failed read leaves the field's previous text.
    if (!readRegister(offsetOf(tag), row.width, &value)) continue;
    QString text;
    if (tag == kChipCodeTag) {
      char code[9] = {};
      std::memcpy(code, &value, 8);
      text = QString::fromLatin1(code);
    } else {
      text = QStringLiteral("%1").arg(value, row.width / 4, 16, QLatin1Char('0')).toUpper();
    }
    readFields_[static_cast<std::size_t>(tag)]->setText(text);
  }
}

void TReg43Form::btnWriteClick(int tag, bool wide) {
  const QLineEdit* field = writeFields_[static_cast<std::size_t>(tag)];
  if (field == nullptr) return;
  writeRegister(offsetOf(tag), wide ? 64 : 16, static_cast<uint64_t>(StrToInt64Def(field->text())));
}

bool TReg43Form::readRegister(int offset, int width, uint64_t* value) const {
  const int board = state_.board;
  const int line = state_.line;
  if (width == 64) {
    int32_t halves[2] = {0, 0};
    if (caller_.callQuiet<Entry::RV_GetReg64>(board, line, offset, halves).value_or(-1) != 0) return false;
    *value = static_cast<uint32_t>(halves[0]) | (uint64_t{static_cast<uint32_t>(halves[1])} << 32);
    return true;
  }
  if (width == 32) {
    int32_t word = 0;
    if (caller_.callQuiet<Entry::RV_GetReg32>(board, line, offset, &word).value_or(-1) != 0) return false;
    *value = static_cast<uint32_t>(word);
    return true;
  }
  uint16_t word = 0;
  if (caller_.callQuiet<Entry::RV_GetReg16>(board, line, offset, &word).value_or(-1) != 0) return false;
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
