#include "TMainForm.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>

#include <algorithm>
#include <array>

#include "BoardList.h"
#include "ClickPanel.h"
#include "TBEditForm.h"
#include "TBViewForm.h"
#include "TDllForm.h"

namespace ravprobe {

namespace {

constexpr int kStations = 64;
constexpr int kPreviewBytes = 10;

QLabel* addLabel(QWidget* parent, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->move(x, y);
  return label;
}

// A read-only number with up-down arrows: the spin box is the up-down, its
// text field the edit.
QSpinBox* addSpinner(QWidget* parent, const char* edtName, const char* updName, int min, int max, int x, int y) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(QLatin1String(updName));
  spin->setRange(min, max);
  spin->setValue(min);
  spin->setWrapping(false);
  spin->setGeometry(x, y, 60, 22);
  if (auto* edit = spin->findChild<QLineEdit*>()) {
    edit->setObjectName(QLatin1String(edtName));
    edit->setReadOnly(true);
  }
  return spin;
}

QLineEdit* addEdit(QWidget* parent, const char* name, const QString& text, int x, int y, int width) {
  auto* edit = new QLineEdit(text, parent);
  edit->setObjectName(QLatin1String(name));
  edit->setGeometry(x, y, width, 22);
  return edit;
}

QFrame* addLamp(QWidget* parent, const char* name, int x, int y) {
  auto* lamp = new QFrame(parent);
  lamp->setObjectName(QLatin1String(name));
  lamp->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  lamp->setAutoFillBackground(true);
  QPalette palette = lamp->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  lamp->setPalette(palette);
  lamp->setGeometry(x, y, 16, 16);
  return lamp;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QLatin1String(name));
  button->setGeometry(x, y, 80, 24);
  return button;
}

QGroupBox* addGroup(QWidget* parent, const char* name, const QString& caption, int x, int y, int w, int h) {
  auto* group = new QGroupBox(caption, parent);
  group->setObjectName(QLatin1String(name));
  group->setGeometry(x, y, w, h);
  return group;
}

}  // namespace

QString bytePreview(const uint8_t* bytes, int count) {
  QString text;
  for (int i = 0; i < count; ++i) text += QStringLiteral("%1 ").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
  return text;
}

TMainForm::TMainForm(LibraryBinding& binding, QString programDir, QWidget* parent)
    : QWidget(parent),
      binding_(binding),
      programDir_(std::move(programDir)),
      memLog_(new QPlainTextEdit(this)),
      log_(memLog_),
      caller_(binding_, log_) {
  setObjectName(QStringLiteral("MainForm"));
  setWindowTitle(QStringLiteral("Ravel ドライバテスト"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(761, 666);
  buildLeftHalf();
  buildRightHalf();
}

void TMainForm::buildLeftHalf() {
  auto* grbInfo = addGroup(this, "grbInfo", QStringLiteral("Ravel Infomation"), 8, 4, 200, 124);
  addLabel(grbInfo, QStringLiteral("Board No:"), 10, 24);
  addSpinner(grbInfo, "edtBoard", "updBoard", 0, 3, 128, 20);
  addLabel(grbInfo, QStringLiteral("Line No:"), 10, 48);
  addSpinner(grbInfo, "edtLine", "updLine", 0, 2, 128, 44);
  addLabel(grbInfo, QStringLiteral("Station Address:"), 10, 72);
  addSpinner(grbInfo, "edtSa", "updSa", 0, 63, 128, 68);
  addLabel(grbInfo, QStringLiteral("Station Size:"), 10, 96);
  addSpinner(grbInfo, "edtSaSize", "updSaSize", 1, 63, 128, 92);

  auto* grbGM = addGroup(this, "grbGM", QStringLiteral("GM Write"), 214, 4, 152, 56);
  addLabel(grbGM, QStringLiteral("Write Data"), 8, 26);
  addEdit(grbGM, "edtWrite", QStringLiteral("0x0000"), 80, 22, 64);

  auto* grbStatusFlag = addGroup(this, "grbStatusFlag", QStringLiteral("Mail Status Flag"), 214, 64, 152, 64);
  auto* rdbMailStatus = new QRadioButton(QStringLiteral("Mail Status"), grbStatusFlag);
  rdbMailStatus->setObjectName(QStringLiteral("rdbMailStatus"));
  rdbMailStatus->setGeometry(10, 20, 136, 20);
  rdbMailStatus->setChecked(true);
  auto* rdbMailWait = new QRadioButton(QStringLiteral("Mail Wait Object"), grbStatusFlag);
  rdbMailWait->setObjectName(QStringLiteral("rdbMailWait"));
  rdbMailWait->setGeometry(10, 40, 136, 20);

  auto* grbMail = addGroup(this, "grbMail", QStringLiteral("Mail Send/Receive"), 8, 132, 358, 168);
  addLabel(grbMail, QStringLiteral("Send SA:"), 10, 24);
  addSpinner(grbMail, "edtMailSendSa", "updMailSa", 0, 63, 130, 20);
  addLabel(grbMail, QStringLiteral("Send Data Size:"), 10, 48);
  addEdit(grbMail, "edtMailSendSize", QStringLiteral("256"), 130, 44, 60);
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  addLabel(grbMail, QStringLiteral("Send Data:"), 10, 72);
  pnlSendData_ = new ClickPanel(QStringLiteral("00 00 00 00 00 00 00 00 00 00 "), grbMail);
  pnlSendData_->setObjectName(QStringLiteral("pnlSendData"));
  pnlSendData_->setFont(fixed);
  pnlSendData_->setGeometry(130, 68, 220, 22);
  addLabel(grbMail, QStringLiteral("Receive SA:"), 10, 96);
  auto* pnlMailRevSA = new QLabel(QStringLiteral("0"), grbMail);
  pnlMailRevSA->setObjectName(QStringLiteral("pnlMailRevSA"));
  pnlMailRevSA->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pnlMailRevSA->setGeometry(130, 92, 60, 22);
  addLabel(grbMail, QStringLiteral("Receive Data Size:"), 10, 120);
  addEdit(grbMail, "edtMailRevSize", QStringLiteral("256"), 130, 116, 60);
  addLabel(grbMail, QStringLiteral("Receive Data:"), 10, 144);
  pnlRevData_ = new ClickPanel(QStringLiteral("00 00 00 00 00 00 00 00 00 00 "), grbMail);
  pnlRevData_->setObjectName(QStringLiteral("pnlRevData"));
  pnlRevData_->setFont(fixed);
  pnlRevData_->setGeometry(130, 140, 220, 22);
  connect(pnlSendData_, &ClickPanel::clicked, this, &TMainForm::pnlSendDataClick);
  connect(pnlRevData_, &ClickPanel::clicked, this, &TMainForm::pnlRevDataClick);

  auto* grbStatus = addGroup(this, "grbStatus", QStringLiteral("Status"), 8, 304, 358, 92);
  addLabel(grbStatus, QStringLiteral("Open/Close:"), 10, 22);
  addLamp(grbStatus, "pnlOpen", 112, 22);
  addLabel(grbStatus, QStringLiteral("Connect"), 150, 22);
  addLamp(grbStatus, "pnlConnect", 236, 22);
  addLabel(grbStatus, QStringLiteral("GMM"), 270, 22);
  addLamp(grbStatus, "pnlGMM", 310, 22);
  addLabel(grbStatus, QStringLiteral("Mail Open/Close"), 10, 46);
  addLamp(grbStatus, "pnlMailOpen", 112, 46);
  addLabel(grbStatus, QStringLiteral("Mail Receive"), 150, 46);
  addLamp(grbStatus, "pnMailRev", 236, 46);
  addLabel(grbStatus, QStringLiteral("SendStatus:"), 10, 70);
  auto* edtMailStatus = addEdit(grbStatus, "edtMailStatus", QString(), 112, 66, 80);
  edtMailStatus->setReadOnly(true);

  auto* rdgGMviewMode = addGroup(this, "rdgGMviewMode", QStringLiteral("GM View Mode"), 8, 400, 150, 46);
  viewMode_ = new QButtonGroup(rdgGMviewMode);
  const std::array<QString, 2> modes = {QStringLiteral("SA"), QStringLiteral("Address")};
  for (int i = 0; i < 2; ++i) {
    auto* item = new QRadioButton(modes[static_cast<std::size_t>(i)], rdgGMviewMode);
    item->setGeometry(10 + 70 * i, 20, 68, 20);
    item->setChecked(i == 0);
    viewMode_->addButton(item, i);
  }

  auto* rdgGMViewSize = addGroup(this, "rdgGMViewSize", QStringLiteral("GM View Size"), 164, 400, 202, 46);
  rb8bit_ = new QRadioButton(QStringLiteral("8bit"), rdgGMViewSize);
  rb8bit_->setObjectName(QStringLiteral("rb8bit"));
  rb8bit_->setGeometry(10, 20, 60, 20);
  rb8bit_->setChecked(true);
  rb16bit_ = new QRadioButton(QStringLiteral("16bit"), rdgGMViewSize);
  rb16bit_->setObjectName(QStringLiteral("rb16bit"));
  rb16bit_->setGeometry(72, 20, 60, 20);
  rb32bit_ = new QRadioButton(QStringLiteral("32bit"), rdgGMViewSize);
  rb32bit_->setObjectName(QStringLiteral("rb32bit"));
  rb32bit_->setGeometry(134, 20, 60, 20);
  for (QRadioButton* item : {rb8bit_, rb16bit_, rb32bit_}) {
    connect(item, &QRadioButton::toggled, this, [this](bool checked) {
      if (checked) rdgGMViewSizeClick();
    });
  }
  connect(viewMode_, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) rdgGMViewSizeClick();
  });

  auto* pgcComBtn = new QTabWidget(this);
  pgcComBtn->setObjectName(QStringLiteral("pgcComBtn"));
  pgcComBtn->setTabPosition(QTabWidget::South);
  pgcComBtn->setGeometry(8, 450, 358, 116);
  auto* tbsNormal = new QWidget;
  tbsNormal->setObjectName(QStringLiteral("tbsNormal"));
  const struct {
    const char* name;
    const char* text;
  } normalButtons[] = {
      {"btnOpen", "Open"},           {"btnClose", "Close"},         {"btnStart", "Start"},
      {"btnStop", "Stop"},           {"btnGmm", "GMM"},             {"btnGMWrite", "GM Set"},
      {"btnReg", "Register"},        {"btnMailOpen", "M Open"},     {"btnMailClose", "M Close"},
      {"btnMailSend", "M Send"},     {"btnMailReceive", "M Receive"}, {"btnMailStatus", "M Status"},
  };
  for (int i = 0; i < 12; ++i) {
    addButton(tbsNormal, normalButtons[i].name, QLatin1String(normalButtons[i].text), 6 + 86 * (i % 4),
              4 + 28 * (i / 4));
  }
  pgcComBtn->addTab(tbsNormal, QStringLiteral("Normal"));
  auto* tbsAging = new QWidget;
  tbsAging->setObjectName(QStringLiteral("tbsAging"));
  addButton(tbsAging, "btnAgeStart", QStringLiteral("Start"), 6, 4)->setEnabled(false);
  addButton(tbsAging, "btnAgeStop", QStringLiteral("Stop"), 92, 4)->setEnabled(false);
  pgcComBtn->addTab(tbsAging, QStringLiteral("Aging"));
  pgcComBtn->setCurrentIndex(0);

  memLog_->setObjectName(QStringLiteral("memLog"));
  memLog_->setReadOnly(true);
  memLog_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memLog_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memLog_->setGeometry(8, 570, 358, 88);
}

void TMainForm::buildRightHalf() {
  addLabel(this, QStringLiteral("GM View:"), 376, 10);
  auto* btnExit = addButton(this, "btnExit", QStringLiteral("Exit"), 673, 4);
  connect(btnExit, &QPushButton::clicked, this, &QWidget::close);

  sgrGM_ = new QTableWidget(kStations, 8, this);
  sgrGM_->setObjectName(QStringLiteral("sgrGM"));
  sgrGM_->setGeometry(376, 34, 377, 624);
  sgrGM_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  sgrGM_->setSelectionMode(QAbstractItemView::ContiguousSelection);
  sgrGM_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  sgrGM_->verticalHeader()->setFixedWidth(60);
  // The station titles are 12 characters wide, blanks first: show their right end.
  sgrGM_->verticalHeader()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
  sgrGM_->verticalHeader()->setTextElideMode(Qt::ElideNone);
  sgrGM_->verticalHeader()->setMinimumSectionSize(18);
  sgrGM_->verticalHeader()->setDefaultSectionSize(18);
  sgrGM_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  sgrGM_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  sgrGM_->horizontalHeader()->setFixedHeight(18);
}

void TMainForm::attachWindows(TDllForm* dllForm, TBViewForm* bViewForm, TBEditForm* bEditForm) {
  dllForm_ = dllForm;
  bViewForm_ = bViewForm;
  bEditForm_ = bEditForm;
}

void TMainForm::FormCreate() {
  QTimer::singleShot(0, this, &TMainForm::SelectBoard);
  InitGlobals();
  rdgGMViewSizeClick();
}

void TMainForm::InitGlobals() { state_ = BoardState{}; }

void TMainForm::SelectBoard() {
  if (boardSelected_ || dllForm_ == nullptr) return;
  boardSelected_ = true;
  if (dllForm_->exec() != QDialog::Accepted) {
    emit quitRequested();
    return;
  }
  const QString file = libraryFileFor(dllForm_->selectedItem());
  boardMode_ = 2;
  rb8bit_->setEnabled(false);
  rb16bit_->setChecked(true);
  binding_.BindLibrary(libraryPath(programDir_, file));
  if (!binding_.has(Entry::RV_open)) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), QStringLiteral("DLLがロードできません。"),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("ErrorBox"));
    box.exec();
    emit quitRequested();
  }
}

int TMainForm::GetViewSize() const {
  if (rb8bit_->isChecked()) return 0;
  if (rb16bit_->isChecked()) return 1;
  if (rb32bit_->isChecked()) return 2;
  return 0;
}

void TMainForm::rdgGMViewSizeClick() {
  const int size = GetViewSize();
  const bool addressMode = viewMode_->checkedId() == 1;
  for (int s = 0; s < kStations; ++s) {
    const QString title =
        addressMode ? QStringLiteral("%1").arg(s * 8, 8, 16, QLatin1Char('0')).toUpper() : QString::asprintf("%12d", s);
    sgrGM_->setVerticalHeaderItem(s, new QTableWidgetItem(title));
  }
  const int columns = 8 >> size;
  const int width = 34 << size;
  sgrGM_->setColumnCount(columns);
  for (int c = 0; c < columns; ++c) {
    const int offset = c << size;
    sgrGM_->setHorizontalHeaderItem(
        c, new QTableWidgetItem(QStringLiteral("%1").arg(offset, addressMode ? 2 : 1, 16, QLatin1Char('0')).toUpper()));
    sgrGM_->setColumnWidth(c, width);
  }
  const int board = state_.board;
  if (state_.gmmStarted[static_cast<std::size_t>(board)] != 1 && state_.started[static_cast<std::size_t>(board)] != 1)
    ClearGmGrid(size);
}

void TMainForm::ClearGmGrid(int size) {
  const QString zero(2 << size, QLatin1Char('0'));
  const int columns = 8 >> size;
  for (int s = 0; s < kStations; ++s) {
    for (int c = 0; c < columns; ++c) {
      if (QTableWidgetItem* it = sgrGM_->item(s, c)) {
        it->setText(zero);
      } else {
        sgrGM_->setItem(s, c, new QTableWidgetItem(zero));
      }
    }
  }
}

void TMainForm::pnlSendDataClick() {
  if (bEditForm_ == nullptr) return;
  bEditForm_->exec();
  std::array<uint8_t, kPreviewBytes> bytes{};
  const int n = bEditForm_->getData(bytes.data(), std::min(bEditForm_->dataCount(), kPreviewBytes));
  pnlSendData_->setText(bytePreview(bytes.data(), n));
}

void TMainForm::pnlRevDataClick() {
  if (bViewForm_ != nullptr) bViewForm_->exec();
}

void TMainForm::closeEvent(QCloseEvent* event) {
  binding_.UnbindLibrary();
  QWidget::closeEvent(event);
}

}  // namespace ravprobe
